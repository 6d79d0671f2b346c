#include "gui/main/about_page.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include "gui/shell/scrolling_credits.h"

namespace atalaya {
namespace {

constexpr QSize kPanelSize(560, 440);

// The banner: a watchtower's beam over the program's name, drawn rather than shipped.
QPixmap Banner() {
  QPixmap banner(520, 90);
  QPainter painter(&banner);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, banner.height());
  sky.setColorAt(0, QColor(20, 32, 64));
  sky.setColorAt(1, QColor(60, 90, 150));
  painter.fillRect(banner.rect(), sky);
  painter.setBrush(QColor(255, 230, 150, 90));
  painter.setPen(Qt::NoPen);
  painter.drawPolygon(QPolygon({QPoint(70, 30), QPoint(520, 0), QPoint(520, 70)}));
  painter.setBrush(QColor(230, 230, 230));
  painter.drawPolygon(QPolygon({QPoint(58, 90), QPoint(64, 32), QPoint(76, 32), QPoint(82, 90)}));
  painter.drawRect(60, 22, 20, 10);
  QFont title("DejaVu Sans", 30, QFont::Bold);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRect(110, 0, 400, 90), Qt::AlignVCenter | Qt::AlignLeft, "ATALAYA");
  return banner;
}

QStringList CreditLines() {
  return {"Atalaya",
          "",
          "Programación y diseño:",
          "el equipo de desarrollo de Atalaya",
          "",
          "Decodificador virtual:",
          "el equipo de desarrollo de Atalaya",
          "",
          "Traducción al inglés:",
          "el equipo de desarrollo de Atalaya",
          "",
          "Pruebas con decodificadores reales:",
          "los técnicos que nos enviaron sus informes",
          "",
          "Gracias a todos los que aportaron",
          "datos de sus decodificadores."};
}

}  // namespace

AboutPage::AboutPage(PageContext& context, QWidget* parent) : AnchoredPage(parent) {
  panel_ = new QFrame(this);
  panel_->setObjectName("AboutPanel");
  panel_->setFrameShape(QFrame::StyledPanel);
  panel_->resize(kPanelSize);

  auto* banner = new QLabel(panel_);
  banner->setPixmap(Banner());
  banner->setAlignment(Qt::AlignCenter);

  version_ = new QLabel("v4.0 ", panel_);
  version_->setObjectName("VersionLabel");
  QFont large = version_->font();
  large.setPointSize(20);
  large.setBold(true);
  large.setItalic(true);
  version_->setFont(large);
  version_->setAlignment(Qt::AlignCenter);

  auto* heading = new QLabel(panel_);
  heading->setWordWrap(true);
  heading->setAlignment(Qt::AlignCenter);
  context.bindings.Caption(heading, 85);

  credits_ = new ScrollingCredits(CreditLines(), panel_);
  credits_->setObjectName("Credits");
  credits_->setMinimumHeight(150);

  auto* invitation = new QLabel(panel_);
  invitation->setWordWrap(true);
  invitation->setAlignment(Qt::AlignCenter);
  context.bindings.Caption(invitation, 86);

  auto* last_line = new QLabel(panel_);
  last_line->setWordWrap(true);
  last_line->setAlignment(Qt::AlignCenter);
  context.bindings.Caption(last_line, 105);

  auto* layout = new QVBoxLayout(panel_);
  layout->addWidget(banner);
  layout->addWidget(version_);
  layout->addWidget(heading);
  layout->addWidget(credits_, 1);
  layout->addWidget(invitation);
  layout->addWidget(last_line);

  SetAnchoring([this](const QSize& page) {
    panel_->move((page.width() - panel_->width()) / 2, (page.height() - panel_->height()) / 2);
  });
}

void AboutPage::ColourVersionLabel() {
  QPalette palette = version_->palette();
  palette.setColor(QPalette::WindowText, QColor(153, 51, 51));
  version_->setPalette(palette);
}

}  // namespace atalaya
