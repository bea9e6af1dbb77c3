// The application's pictures, all painted here with QPainter in one flat
// style: no image files, no theme icons. Every icon carries pixmaps for 16, 24
// and 32 px, plus 48 and 64 px so high-DPI screens get sharp pictures too.
// Icons are painted once and cached; call these on the GUI thread only, after
// the QApplication exists.
#pragma once

#include <QIcon>

class QPainter;

namespace telvaro::icons {

// A modem with its antenna: title bar, task bar, About dialog.
QIcon Application();

// The same picture painted at `px` x `px` on any device (an image, an SVG):
// the installed icon files are rendered from it at build time.
void PaintApplication(QPainter& painter, int px);

// Status bar field 1: plug in its socket (open) or pulled out (closed).
QIcon PortState(bool open);

// The switch button's picture: a toggle, on while the port is open.
QIcon Switch(bool open);

enum class Command { Read, Write, Default, Upgrade, Reboot, Exit };

// The command buttons' pictures. The grayed variant (desaturated and lighter)
// is what a button shows while the port is closed or an operation is running.
QIcon CommandIcon(Command c, bool grayed);

// The Networks page's fixed picture beside the signal bars.
QIcon Antenna();

// Three rising bars, the first `bars` of them lit; bars is clamped to 0..3.
QIcon SignalLevel(int bars);

}  // namespace telvaro::icons
