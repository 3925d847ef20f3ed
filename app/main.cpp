#include "app/CQuillmereApp.h"

int main(int argc, char** argv) {
  CQuillmereApp app(argc, argv);
  return app.InitInstance() ? 1 : 0;
}
