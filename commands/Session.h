#pragma once

#include "commands/Places.h"
#include "model/FavoritesManager.h"
#include "transfer/TransferSettings.h"

class CommandOwner;

// What the commands of one run of the program share: whom they report to, where they work, the
// two trees the window shows, and the ports and time limits of the transfers.
class Session {
 public:
  Session(CommandOwner& owner, Places places);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  CommandOwner& Owner() const { return m_owner; }
  const Places& GetPlaces() const { return m_places; }
  FavoritesManager& Manager() { return m_manager; }
  const FavoritesManager& Manager() const { return m_manager; }
  // Tests point the transfers at servers of their own here.
  TransferNetwork& Network() { return m_network; }
  const TransferNetwork& Network() const { return m_network; }

 private:
  CommandOwner& m_owner;
  Places m_places;
  FavoritesManager m_manager;
  TransferNetwork m_network;
};
