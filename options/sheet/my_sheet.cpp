#include "options/sheet/my_sheet.h"

CMySheet::CMySheet(DialogServices&, QWidget* parent) : QDialog(parent) {}
