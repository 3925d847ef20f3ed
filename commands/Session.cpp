#include "commands/Session.h"

Session::Session(CommandOwner& owner, Places places) : m_owner(owner), m_places(std::move(places)) {}
