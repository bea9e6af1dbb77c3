// Builds the user manual installed beside the package's documentation: the
// Markdown guides joined into one HTML page by Qt's own Markdown reader.
// Usage: telvaro-manual-render OUT.html TITLE GUIDE.md...
#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s OUT.html TITLE GUIDE.md...\n", argv[0]);
    return 2;
  }
  // No display is needed to lay out text.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QString body;
  for (int i = 3; i < argc; ++i) {
    QFile guide(QString::fromLocal8Bit(argv[i]));
    if (!guide.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
      return 1;
    }
    QTextDocument document;
    document.setMarkdown(QString::fromUtf8(guide.readAll()));
    // Each guide's body, without the document wrapper Qt puts around it.
    const QString html = document.toHtml();
    const auto start = html.indexOf("<body");
    const auto open = html.indexOf('>', start) + 1;
    const auto end = html.lastIndexOf("</body>");
    body += html.mid(open, end - open) + "\n<hr/>\n";
  }
  const QString title = QString::fromLocal8Bit(argv[2]).toHtmlEscaped();
  const QString page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"/><title>" + title + "</title></head>\n<body>\n" +
                       body + "</body></html>\n";
  QFile out(QString::fromLocal8Bit(argv[1]));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(page.toUtf8()) < 0) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
