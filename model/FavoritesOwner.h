#pragma once

#include "TransferOwner.h"
#include "TreeView.h"

// What the model needs of the main dialog: the status log and wait cursor (as the transfer
// engine does), the two tree views and the menu. Tests give the model a fake owner.
class FavoritesOwner : public TransferOwner {
 public:
  virtual TreeView& LocalTreeView() = 0;
  virtual TreeView& ServerTreeView() = 0;
  virtual void EnableMenuCommand(int commandId, bool enabled) = 0;
};
