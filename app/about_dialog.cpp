#include "app/about_dialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <initializer_list>

#include "base/version.h"
#include "options/sheet/dialog_services.h"
#include "options/sheet/page_font.h"

namespace {

constexpr char kMakerHomePage[] = "https://www.example.com/";
constexpr char kProductPage[] = "https://www.example.com/scrivane/";
constexpr char kSpecialOfferPage[] = "https://www.example.com/scrivane/upgrade";
constexpr char kPromotionalCode[] = "SCRV2-UPGRADE-20OFF";
constexpr int kBoldFontPoints = 8;
constexpr int kPointsPerInch = 72;

QLabel* PlainLabel(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

CAboutDlg::CAboutDlg(DialogServices& services, QWidget* parent)
    : QDialog(parent),
      m_poweredBy(QStringLiteral("Powered by Scrivane Technology."), this),
      m_offerLink(services, this),
      m_makerLink(services, this),
      m_productLink(services, this),
      m_okButton(new QPushButton(QStringLiteral("&OK"), this)),
      m_couponButton(new QPushButton(QStringLiteral("&Create Coupon"), this)),
      m_couponEdit(new QLineEdit(this)) {
  setWindowTitle(QStringLiteral("About " SCRIVANE_TITLE));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(TemplateFont());
  SetUpControls();
  BuildLayout();
  AttachLinks();
  ApplyBoldFont();
  m_okButton->setFocus();
  connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_couponButton, &QPushButton::clicked, this, &CAboutDlg::OnCreateCoupon);
}

void CAboutDlg::SetUpControls() {
  m_offerLink.setObjectName(QStringLiteral("offerLink"));
  m_makerLink.setObjectName(QStringLiteral("makerLink"));
  m_productLink.setObjectName(QStringLiteral("productLink"));
  m_poweredBy.setObjectName(QStringLiteral("poweredBy"));
  m_okButton->setObjectName(QStringLiteral("okButton"));
  m_couponButton->setObjectName(QStringLiteral("couponButton"));
  m_couponEdit->setObjectName(QStringLiteral("couponEdit"));
  m_poweredBy.setTextFormat(Qt::PlainText);
  m_offerLink.setText(QStringLiteral("order an upgrade through our website with 20% discount coupon:"));
  m_makerLink.setText(QStringLiteral("by Korvath Software"));
  m_productLink.setText(QString::fromUtf8(kProductPage));
  m_couponEdit->setReadOnly(true);
  m_okButton->setDefault(true);
  setTabOrder(m_okButton, m_couponButton);
  setTabOrder(m_couponButton, m_couponEdit);
}

// Controls are placed as the dialog template places them, in dialog units of
// the dialog's font: gaps are the distances between the template's rows.
void CAboutDlg::BuildLayout() {
  const DialogUnits units(font());
  auto* banner = new QLabel(this);
  banner->setObjectName(QStringLiteral("banner"));
  banner->setPixmap(QPixmap(QStringLiteral(":/banner.png")));
  auto* title = PlainLabel(SCRIVANE_TITLE, this);
  title->setFixedWidth(units.X(104));
  m_okButton->setFixedSize(units.X(50), units.Y(14));
  m_couponButton->setFixedSize(units.X(73), units.Y(14));
  m_couponEdit->setFixedSize(units.X(151), units.Y(14));

  const auto row = [&](std::initializer_list<QWidget*> widgets, int indent) {
    auto* result = new QHBoxLayout;
    result->setSpacing(units.X(7));
    result->addSpacing(indent);
    for (QWidget* widget : widgets) result->addWidget(widget);
    result->addStretch(1);
    return result;
  };
  auto* okRow = row({m_okButton}, 0);
  okRow->insertStretch(0, 1);

  auto* page = new QVBoxLayout(this);
  page->setSizeConstraint(QLayout::SetFixedSize);
  page->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  page->setSpacing(0);
  page->addWidget(banner);
  page->addSpacing(units.Y(8));
  page->addLayout(row({title, &m_makerLink}, 0));
  page->addSpacing(units.Y(6));
  page->addLayout(row({&m_poweredBy}, units.X(35)));
  page->addSpacing(units.Y(6));
  page->addWidget(
      PlainLabel("Scrivane is available as standalone converters (such as this one)\n"
                 "or as ActiveX DLL for easy integration in any other software packages.",
                 this));
  page->addSpacing(units.Y(8));
  page->addWidget(PlainLabel("If you're interested in advanced features of Scrivane you may", this));
  page->addSpacing(units.Y(1));
  page->addWidget(&m_offerLink);
  page->addSpacing(units.Y(9));
  page->addLayout(row({m_couponButton, m_couponEdit}, 0));
  page->addSpacing(units.Y(11));
  page->addWidget(
      PlainLabel("For a list of advanced features or any additional information kindly\n"
                 "visit Scrivane web site at:",
                 this));
  page->addSpacing(units.Y(5));
  page->addLayout(row({&m_productLink}, units.X(49)));
  page->addSpacing(units.Y(11));
  page->addLayout(okRow);
}

// Each link first takes its own text as target, then gets its real one.
void CAboutDlg::AttachLinks() {
  m_offerLink.Attach();
  m_makerLink.Attach();
  m_productLink.Attach();
  m_makerLink.SetLinkUrl(kMakerHomePage);
  m_productLink.SetLinkUrl(kProductPage);
  m_offerLink.SetLinkUrl(kSpecialOfferPage);
  m_makerLink.SetUnderlineMode(CHyperLink::UnderlineAlways);
  m_productLink.SetUnderlineMode(CHyperLink::UnderlineAlways);
  m_offerLink.SetUnderlineMode(CHyperLink::UnderlineAlways);
}

// A character height of 8 points at the screen's resolution, one pixel up.
void CAboutDlg::ApplyBoldFont() {
  m_boldFont = QFont(QStringLiteral("Tahoma"));
  m_boldFont.setPixelSize(kBoldFontPoints * logicalDpiY() / kPointsPerInch + 1);
  m_boldFont.setWeight(QFont::Bold);
  m_poweredBy.setFont(m_boldFont);
}

// The code is shown once per dialog: the button stays disabled until the
// dialog closes.
void CAboutDlg::OnCreateCoupon() {
  m_couponEdit->setText(QString::fromUtf8(kPromotionalCode));
  m_couponButton->setEnabled(false);
}
