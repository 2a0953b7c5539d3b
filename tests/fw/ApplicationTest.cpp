#include "support/DialogDriver.h"

#include <functional>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEvent>
#include <QTest>
#include <stdexcept>

namespace {

struct BrokenResult {
    int code;
};

// Receives custom events and runs the given handler for each.
class Receiver : public QObject {
public:
    explicit Receiver(std::function<void()> handler)
        : handler_(std::move(handler)) {}

protected:
    void customEvent(QEvent*) override { handler_(); }

private:
    std::function<void()> handler_;
};

void post(QObject* receiver) {
    QCoreApplication::postEvent(receiver, new QEvent(QEvent::User));
}

TEST(Application, ExceptionsEscapingEventHandlersAreReportedAndTheApplicationGoesOn) {
    Receiver throwingStandard([] { throw std::runtime_error("handler broke"); });
    Receiver throwingOther([] { throw BrokenResult{7}; });
    int delivered = 0;
    Receiver counting([&delivered] { ++delivered; });

    const auto standardReport = answerNextDialog("OK");
    post(&throwingStandard);
    ASSERT_TRUE(waitForDialogs());
    EXPECT_TRUE(standardReport->text.contains("handler broke"))
        << standardReport->text.toStdString();

    const auto otherReport = answerNextDialog("OK");
    post(&throwingOther);
    ASSERT_TRUE(waitForDialogs());
    EXPECT_TRUE(otherReport->text.contains("BrokenResult")) << otherReport->text.toStdString();

    post(&counting);
    post(&counting);
    EXPECT_TRUE(QTest::qWaitFor([&delivered] { return delivered == 2; }, 5000));
}

} // namespace
