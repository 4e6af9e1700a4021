#include "app/Version.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppIcon.h"

namespace app {

TAbout::TAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TAbout"));
  setWindowTitle(QStringLiteral("Lyrimate"));
  setWindowIcon(AppIcon());
  setFixedSize(480, 189);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setFixedSize(65, 65);
  Image1->setPixmap(AppIcon().pixmap(QSize(65, 65), devicePixelRatio()));

  Label1 = new QLabel(QStringLiteral("Lyrimate ver 4.0"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  // A fixed-pitch face, a bit over half again the desktop's size.
  QFont versionFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const double basePoints = font().pointSizeF() > 0 ? font().pointSizeF() : 9.0;
  versionFont.setPointSizeF(basePoints * 20.0 / 12.0);
  Label1->setFont(versionFont);

  OK = new QPushButton(QStringLiteral("OK"), this);
  OK->setObjectName(QStringLiteral("OK"));
  OK->setDefault(true);
  connect(OK, &QPushButton::clicked, this, &TAbout::OKClick);

  auto* top = new QHBoxLayout;
  top->addWidget(Image1, 0, Qt::AlignVCenter);
  top->addSpacing(16);
  top->addWidget(Label1, 1, Qt::AlignVCenter);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(OK);
  bottom->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addLayout(top, 1);
  layout->addLayout(bottom);
}

void TAbout::OKClick() { done(1000); }

}  // namespace app
