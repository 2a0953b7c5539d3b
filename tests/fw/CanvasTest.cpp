#include "fw/Canvas.h"

#include "fw/FrameUpdates.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

class CountingWidget : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

class RefreshTest : public ::testing::Test {
protected:
    void SetUp() override {
        widget.resize(50, 20);
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
        // Let the first paint and any queued update settle, then start a new frame.
        QTest::qWait(40);
        widget.paints = 0;
    }
    CountingWidget widget;
};

QPixmap filled(int width, int height, Qt::GlobalColor color) {
    QPixmap picture(width, height);
    picture.fill(color);
    return picture;
}

} // namespace

TEST_F(RefreshTest, FirstRequestPaintsAtOnce) {
    fw::Refresh(&widget);
    EXPECT_EQ(widget.paints, 1);
}

TEST_F(RefreshTest, ManyRequestsWithinAFrameAreCoalesced) {
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < 100'000; ++i)
        fw::Refresh(&widget);
    const qint64 took = elapsed.elapsed();
    const int paintedDuringTheLoop = widget.paints;
    // One paint per frame at most, with a little slack for a slow machine.
    EXPECT_GE(paintedDuringTheLoop, 1);
    EXPECT_LE(paintedDuringTheLoop, took / 16 + 2) << took << " ms";
    // The requests within the last frame arrive with the next paint.
    ASSERT_TRUE(QTest::qWaitFor([&] { return widget.paints > paintedDuringTheLoop; }, 1000));
    EXPECT_LE(widget.paints, paintedDuringTheLoop + 2);
}

TEST_F(RefreshTest, RequestAfterTheFramePaintsAtOnce) {
    fw::Refresh(&widget);
    fw::Refresh(&widget);
    EXPECT_EQ(widget.paints, 1);
    QTest::qWait(40);
    const int before = widget.paints;
    fw::Refresh(&widget);
    EXPECT_EQ(widget.paints, before + 1);
}

TEST_F(RefreshTest, RequestsOfSeveralWidgetsShareTheFrame) {
    CountingWidget other;
    other.resize(10, 10);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::qWait(40);
    other.paints = 0;
    // The first request paints at once; the second widget's request, within the same frame,
    // waits for the next paint instead of flushing the screen a second time.
    fw::Refresh(&widget);
    fw::Refresh(&other);
    EXPECT_EQ(widget.paints, 1);
    EXPECT_EQ(other.paints, 0);
    QTest::qWait(40);
    EXPECT_EQ(other.paints, 1);
    EXPECT_EQ(widget.paints, 1);
}

TEST(Canvas, PaintsItsBackdropAtTheTopLeft) {
    QWidget window;
    window.resize(40, 30);
    window.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::blue);
    window.setPalette(palette);
    fw::Canvas canvas(&window);
    canvas.setGeometry(0, 0, 40, 30);
    canvas.setBackdrop(filled(20, 10, Qt::red));
    EXPECT_EQ(canvas.Backdrop().size(), QSize(20, 10));

    QImage image = window.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(19, 9), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(25, 5), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(5, 15), QColor(Qt::blue));

    canvas.setBackdrop(QPixmap());
    image = window.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::blue));
}
