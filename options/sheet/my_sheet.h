#pragma once

#include <QDialog>

class DialogServices;

// The options sheet: opened by Set Options, commits every page on OK.
class CMySheet : public QDialog {
  Q_OBJECT
 public:
  explicit CMySheet(DialogServices& services, QWidget* parent = nullptr);
};
