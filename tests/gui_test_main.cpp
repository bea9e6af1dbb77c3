// Runs the GUI tests headless: one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

int main(int argc, char** argv) {
#ifdef _WIN32
  // Wine hands no QT_ variable to a Windows program: the offscreen platform's
  // font folder (FreeType reads one folder) comes as TELVARO_QPA_FONTDIR.
  if (qEnvironmentVariableIsSet("TELVARO_QPA_FONTDIR")) qputenv("QT_QPA_FONTDIR", qgetenv("TELVARO_QPA_FONTDIR"));
#endif
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
#ifdef _WIN32
  // That folder has nothing for Qt's default family "Helvetica": the family
  // that stands for it on Linux is named instead, and the style is the one
  // offscreen has there (Fusion; the native one needs the Windows platform),
  // so both runs lay out and measure alike.
  if (QGuiApplication::platformName() == "offscreen") {
    QFont font = QApplication::font();
    font.setFamily("Liberation Sans");
    QApplication::setFont(font);
    QApplication::setStyle("Fusion");
  }
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
