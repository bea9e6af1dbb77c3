// Telvaro Pro: configures a GSM/GPRS serial modem over a PC serial port.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProxyStyle>
#include <QStyle>
#include <cstdio>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

#include "app/language.h"
#include "app/main_dialog.h"
#include "app/message_owner.h"
#include "pages/about_dialog.h"

namespace {

// --help and --version answer on the terminal and end, so they need no
// display: they are handled before the window's application object exists.
bool AsksOnlyForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    for (const char* option : {"--help", "-h", "-?", "--help-all", "--version", "-v"})
      if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

// A start-up option the window cannot use. Started from a menu or a file
// manager there is no terminal to read stderr, so a box says it too.
int RefuseOption(const QString& text) {
  std::fprintf(stderr, "%s\n", qPrintable(text));
  if (!isatty(2)) telvaro::MessageOwner(nullptr).Show(text);
  return 2;
}

// Tips appear 100 ms after the pointer stops on a control, as the window's
// tips always have; the rest of the look is the platform's.
class TipDelayStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return 100;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<QCoreApplication> app;
  if (AsksOnlyForText(argc, argv)) {
    app = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    app = std::make_unique<QApplication>(argc, argv);
  }
  QCoreApplication::setApplicationName("Telvaro Pro");
  QCoreApplication::setApplicationVersion(telvaro::kTelvaroProVersion);

  QCommandLineParser parser;
  parser.setApplicationDescription("Configuration tool for the Telvaro GSM/GPRS modem.");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption portOption(
      "port", "Gives COM<n> the device <path> (repeatable); pairs in TELVARO_PORTS work too.", "COM<n>=<path>");
  const QCommandLineOption selectOption("select", "Preselects COM<n> in the port selector.", "COM<n>");
  const QCommandLineOption langOption = telvaro::LanguageOption();
  parser.addOption(portOption);
  parser.addOption(selectOption);
  parser.addOption(langOption);
  parser.process(*app);  // --help and --version print and end here

  telvaro::InstallLanguage(parser.value(langOption));

  QApplication::setFont(telvaro::WindowFont());
  // Wraps the style the platform or -style chose; the application owns it.
  QApplication::setStyle(new TipDelayStyle(QApplication::style()->name()));

  telvaro::MainDlgOptions options;
  if (const std::string bad = options.ports.AddPairsFromEnvironment(); !bad.empty()) {
    return RefuseOption("TELVARO_PORTS: not a COM<n>=<path> pair: " + QString::fromStdString(bad));
  }
  for (const QString& pair : parser.values(portOption)) {
    if (!options.ports.AddPair(pair.toStdString())) return RefuseOption("--port: not a COM<n>=<path> pair: " + pair);
  }
  // The port comes from --select, else from a single --port pair, else it is
  // the last one opened.
  const QStringList pairs = parser.values(portOption);
  if (parser.isSet(selectOption)) {
    const auto com = telvaro::ParseComName(parser.value(selectOption).toStdString());
    if (!com) return RefuseOption("--select: not a COM<n> port: " + parser.value(selectOption));
    options.rememberedPort = *com;
    options.portGiven = true;
  } else if (const auto com = pairs.size() == 1 ? telvaro::ParseComName(pairs.first().section('=', 0, 0).toStdString())
                                                : std::nullopt) {
    options.rememberedPort = *com;
    options.portGiven = true;
  }
  options.rememberLastPort = true;
  options.rememberSize = true;

  telvaro::CMainDlg window(std::move(options));
  window.show();
  return app->exec();
}
