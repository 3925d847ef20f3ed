#pragma once

#include <string>

#include "CMailSocket.h"
#include "TransferOwner.h"

// The transfer engine: carries the favorites list to the server and back.
class FavoritesTransfer {
 public:
  void SetOwner(TransferOwner* dialog) { owner = dialog; }
  int Upload();
  int Download();

  int listOnly = 0;
  TransferOwner* owner = nullptr;
  const std::string localFile = "favorites-local.txt";
  const std::string serverFile = "favorites-server.txt";
  const std::string remoteFile = "favorites.txt";
  CMailSocket socket;
};
