#include "app/about_dialog.h"

CAboutDlg::CAboutDlg(DialogServices&, QWidget* parent) : QDialog(parent) {}
