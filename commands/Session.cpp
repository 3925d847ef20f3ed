#include "commands/Session.h"

Session::Session(CommandOwner& owner, Places places) : m_owner(owner), m_places(std::move(places)) {
  // Made now, so every command finds it; one that can't be made shows as a working file that
  // can't be written.
  m_places.EnsureStateFolder();
}
