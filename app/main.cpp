// Telvaro Pro: configures a GSM/GPRS serial modem over a PC serial port.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/main_dialog.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Telvaro Pro");
  QApplication::setApplicationVersion("1.0.7");

  QCommandLineParser parser;
  parser.setApplicationDescription("Configuration tool for the Telvaro GSM/GPRS modem.");
  parser.addHelpOption();
  const QCommandLineOption portOption(
      "port", "Gives COM<n> the device <path> (repeatable); pairs in TELVARO_PORTS work too.", "COM<n>=<path>");
  const QCommandLineOption selectOption("select", "Preselects COM<n> in the port selector.", "COM<n>");
  parser.addOption(portOption);
  parser.addOption(selectOption);
  parser.process(app);

  telvaro::MainDlgOptions options;
  if (const std::string bad = options.ports.AddPairsFromEnvironment(); !bad.empty()) {
    std::fprintf(stderr, "TELVARO_PORTS: not a COM<n>=<path> pair: %s\n", bad.c_str());
    return 2;
  }
  for (const QString& pair : parser.values(portOption)) {
    if (!options.ports.AddPair(pair.toStdString())) {
      std::fprintf(stderr, "--port: not a COM<n>=<path> pair: %s\n", qPrintable(pair));
      return 2;
    }
  }
  if (parser.isSet(selectOption)) {
    const auto com = telvaro::ParseComName(parser.value(selectOption).toStdString());
    if (!com) {
      std::fprintf(stderr, "--select: not a COM<n> port: %s\n", qPrintable(parser.value(selectOption)));
      return 2;
    }
    options.rememberedPort = *com;
  }

  telvaro::CMainDlg window(std::move(options));
  window.show();
  return app.exec();
}
