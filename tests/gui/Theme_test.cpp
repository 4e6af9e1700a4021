// SPDX-License-Identifier: GPL-3.0-or-later
// The windows under a dark palette with the Fusion style: every toolbar icon stands out from
// the window colour, and no widget, model or style sheet brings colours of its own.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QTest>
#include <QToolBar>
#include <cmath>

#include "MainHarness.h"
#include "app/AppIcon.h"

using gui_testing::Harness;
using library::ListId;

namespace {

QPalette DarkPalette() {
  QPalette dark;
  const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xe6, 0xe6, 0xe6);
  dark.setColor(QPalette::Window, window);
  dark.setColor(QPalette::WindowText, text);
  dark.setColor(QPalette::Base, base);
  dark.setColor(QPalette::AlternateBase, window);
  dark.setColor(QPalette::Text, text);
  dark.setColor(QPalette::Button, window);
  dark.setColor(QPalette::ButtonText, text);
  dark.setColor(QPalette::Highlight, QColor(0x3d, 0x6e, 0xb4));
  dark.setColor(QPalette::HighlightedText, Qt::white);
  dark.setColor(QPalette::ToolTipBase, base);
  dark.setColor(QPalette::ToolTipText, text);
  return dark;
}

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double Luminance(const QColor& c) {
  auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Pixels of the icon drawn over background that stand out from it (contrast 3:1 or more,
// the guidelines' figure for graphics).
int StandingOutPixels(const QIcon& icon, const QColor& background) {
  QImage image(20, 20, QImage::Format_ARGB32);
  image.fill(background);
  {
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
  }
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (Contrast(image.pixelColor(x, y), background) >= 3.0) ++count;
  return count;
}

QList<QAction*> ToolbarActions(const QToolBar* bar) {
  QList<QAction*> actions;
  for (QAction* action : bar->actions())
    if (!action->isSeparator()) actions << action;
  return actions;
}

}  // namespace

class ThemeTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(DarkPalette());
  }

  void everyToolbarIconStandsOutFromTheDarkWindow() {
    Harness h;
    h.Start();
    const QColor window = h.window->palette().color(QPalette::Window);
    QCOMPARE(window, QColor(0x2b, 0x2b, 0x2b));
    QList<QAction*> actions = ToolbarActions(h.Find<QToolBar>("Bar")) + ToolbarActions(h.edit->ToolBar1);
    QCOMPARE(actions.size(), 6 + 8);
    for (const QAction* action : actions) {
      // A drawing thinner than this is a smudge, not an icon one can tell at a glance.
      const int standing = StandingOutPixels(action->icon(), window);
      QVERIFY2(standing >= 24, qPrintable(action->objectName() + QString(": %1 pixels stand out").arg(standing)));
    }
    QVERIFY(StandingOutPixels(app::AppIcon(), window) >= 24);
  }

  void noWidgetOrModelCarriesItsOwnColours() {
    Harness h;
    h.WriteDataFile("MusicList.lst", "A\tAl\t1\tartist\t03:00\t2004\t-1\t\t\t\r\n");
    h.Start();
    QVERIFY(qApp->styleSheet().isEmpty());
    const QRegularExpression colour(QStringLiteral("#[0-9a-fA-F]{3}|rgb|hsv|color|background"),
                                    QRegularExpression::CaseInsensitiveOption);
    QList<QWidget*> windows = {h.window.get(), h.edit.get(), h.setting.get(), h.about.get(), h.status.get()};
    for (QWidget* top : windows) {
      QList<QWidget*> widgets = top->findChildren<QWidget*>();
      widgets << top;
      for (const QWidget* widget : widgets) {
        QVERIFY2(!colour.match(widget->styleSheet()).hasMatch(), qPrintable(widget->objectName()));
        QVERIFY2(!widget->testAttribute(Qt::WA_SetPalette), qPrintable(widget->objectName()));
      }
    }
    for (ListId list : {ListId::MList, ListId::AList}) {
      const QAbstractItemModel& model = h.Model(list);
      for (int r = 0; r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
          for (int role : {Qt::ForegroundRole, Qt::BackgroundRole})
            QVERIFY(!model.index(r, c).data(role).isValid());
    }
  }
};

QTEST_MAIN(ThemeTest)
#include "Theme_test.moc"
