#include "FavoritesTransfer.h"

int FavoritesTransfer::Upload() { return 0; }

int FavoritesTransfer::Download() { return 0; }
