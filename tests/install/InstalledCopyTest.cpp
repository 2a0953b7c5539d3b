#include <gtest/gtest.h>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The prefix the test Install.IntoTemporaryPrefix installed this build into.
const QDir kPrefix(TOLVANE_INSTALL_PREFIX);

// The picture band across the top of the main window and a stretch of it that no control
// covers: between the product mark and the middle picture.
constexpr int kBandHeight = 50;
constexpr int kClearLeft = 50;
constexpr int kClearRight = 180;

// True when `frame`, a picture of the whole main window, shows the top band of `background`
// pixel for pixel along two rows of the clear stretch. The menu bar sits above the band, its
// height the platform's, so every offset from the frame's top is tried.
bool showsTopBand(const QImage& frame, const QImage& background) {
    const auto rowShown = [&](int offset, int row) {
        for (int x = kClearLeft; x < kClearRight; ++x) {
            if (frame.pixel(x, offset + row) != background.pixel(x, row))
                return false;
        }
        return true;
    };
    for (int offset = 0; offset + kBandHeight <= frame.height(); ++offset) {
        if (rowShown(offset, 5) && rowShown(offset, kBandHeight - 5))
            return true;
    }
    return false;
}

// The installed program, started as a user would start it, on Qt's headless "minimal"
// platform: with QT_DEBUG_BACKINGSTORE set, that platform saves every frame it shows as
// output<n>.png in the working folder, so the test sees what the window shows.
TEST(InstalledCopy, StartsAndShowsItsPictures) {
    const QImage background(kPrefix.filePath("share/tolvane/background.jpg"));
    ASSERT_EQ(background.size(), QSize(512, 317));
    QTemporaryDir frames;
    ASSERT_TRUE(frames.isValid());

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "minimal");
    environment.insert("QT_DEBUG_BACKINGSTORE", "1");
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(frames.path());
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(kPrefix.filePath("bin/tolvane"), {});
    ASSERT_TRUE(program.waitForStarted()) << program.errorString().toStdString();

    // A frame that is still being written does not load yet.
    QImage frame;
    const bool shown = QTest::qWaitFor(
        [&] {
            frame = QImage(QDir(frames.path()).filePath("output0000.png"));
            return !frame.isNull() || program.state() == QProcess::NotRunning;
        },
        60000);
    const bool stillRunning = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished();
    const std::string output = program.readAll().toStdString();
    ASSERT_TRUE(shown && stillRunning) << output;
    EXPECT_TRUE(showsTopBand(frame, background)) << output;
}

} // namespace
