#include "app/frmMain.h"

frmMain::frmMain(QWidget* parent) : QWidget(parent) {}
