#pragma once

#include <QDialog>

class DialogServices;

// The About dialog: banner, links to the maker's pages and a coupon.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(DialogServices& services, QWidget* parent = nullptr);
};
