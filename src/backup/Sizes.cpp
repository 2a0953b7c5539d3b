#include "fw/Text.h"
#include "mainwindow/MainWindow.h"

namespace mainwindow {

// Every scaled value is held as a float between the steps, and the thresholds are compared
// after that rounding: this is what puts 500,000,029 bytes in Mb and shows 950,000 bytes as
// 0.9 Mb. Doing the arithmetic in double alone would change the texts users know.
std::string MainWindow::ConvertSize(std::uint64_t size) {
    const double bytes = double(size);
    float gb = float(((bytes / 1000) / 1000) / 1000);
    float mb = float((bytes / 1000) / 1000);
    float kb = float(bytes / 1000);

    if (gb > 0.5) {
        gb = float(fw::Round(double(gb) * 100));
        gb = float(double(gb) / 100);
        return fw::Str(gb) + " Gb";
    }
    if (mb > 0.5) {
        mb = float(fw::Round(double(mb) * 10));
        mb = float(double(mb) / 10);
        return fw::Str(mb) + " Mb";
    }
    kb = float(fw::Round(double(kb)));
    return fw::Str(kb) + " Kb";
}

} // namespace mainwindow
