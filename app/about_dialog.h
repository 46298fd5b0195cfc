#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>

#include "app/hyperlink.h"

class DialogServices;
class QLineEdit;
class QPushButton;

// The About dialog: banner, links to the maker's pages and a coupon.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(DialogServices& services, QWidget* parent = nullptr);

 private:
  void SetUpControls();
  void BuildLayout();
  void AttachLinks();
  void ApplyBoldFont();
  void OnCreateCoupon();

  QLabel m_poweredBy;
  CHyperLink m_offerLink;
  CHyperLink m_makerLink;
  CHyperLink m_productLink;
  QFont m_boldFont;
  QPushButton* m_okButton;      // owned by the dialog
  QPushButton* m_couponButton;  // owned by the dialog
  QLineEdit* m_couponEdit;      // owned by the dialog
};
