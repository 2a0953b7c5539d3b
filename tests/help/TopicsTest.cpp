#include "help/Topics.h"

#include "fw/StaticText.h"
#include "help/Help.h"
#include "help/HelpDriver.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>

using namespace help_test;

namespace {

struct ShownTopic {
    QString link;
    const help::Topic& topic;
    QList<int> breakRuns; // the line breaks between the paragraphs, in order
};

std::vector<ShownTopic> allTopics() {
    return {
        {"stx_Overview", help::overviewTopic(), {2, 2, 10}},
        {"stx_BackUpSets", help::backupSetsTopic(), {2, 2, 2}},
        {"stx_Advanced", help::advancedTopic(), {2, 2, 1}},
        {"stx_BackUp", help::backupTopic(), {2, 2, 2, 4}},
    };
}

QList<int> lineBreakRuns(const QString& text) {
    QList<int> runs;
    static const QRegularExpression breaks("\n+");
    for (const QRegularExpressionMatch& run : breaks.globalMatch(text))
        runs.append(int(run.capturedLength()));
    return runs;
}

} // namespace

TEST(HelpTopics, BodiesHaveTheirParagraphBreaksAndNoneAtTheEnds) {
    help::Help& window = chooseInstructions();
    const QList<qsizetype> breakCounts{14, 6, 5, 10};
    const std::vector<ShownTopic> topics = allTopics();
    for (std::size_t i = 0; i < topics.size(); ++i) {
        SCOPED_TRACE(topics[i].link.toStdString());
        clickLink(window, topics[i].link);
        const QString body = label(window, "stx_Info")->text();

        EXPECT_EQ(body.count('\n'), breakCounts[qsizetype(i)]);
        EXPECT_EQ(lineBreakRuns(body), topics[i].breakRuns);
        EXPECT_FALSE(body.startsWith('\n'));
        EXPECT_FALSE(body.endsWith('\n'));
        EXPECT_FALSE(body.contains('\r'));
    }
}

TEST(HelpTopics, PiecesJoinWithExactlyOneBlank) {
    help::Help& window = chooseInstructions();
    for (const ShownTopic& shown : allTopics()) {
        SCOPED_TRACE(shown.link.toStdString());
        clickLink(window, shown.link);
        const QString body = label(window, "stx_Info")->text();
        EXPECT_FALSE(body.contains("  "));

        for (const help::Paragraph& paragraph : shown.topic.paragraphs) {
            std::string joined;
            for (std::size_t i = 0; i < paragraph.pieces.size(); ++i) {
                const std::string_view piece = paragraph.pieces[i];
                ASSERT_FALSE(piece.empty());
                EXPECT_EQ(piece.find('\r'), std::string_view::npos);
                EXPECT_NE(piece.front(), ' ') << piece;
                if (i + 1 < paragraph.pieces.size())
                    EXPECT_TRUE(piece.ends_with(" ") && !piece.ends_with("  ")) << piece;
                else
                    EXPECT_NE(piece.back(), ' ') << piece;
                joined += piece;
            }
            EXPECT_TRUE(body.contains(QString::fromStdString(joined))) << joined;
        }
    }
}

TEST(HelpTopics, EveryBodyFitsItsLabelWithoutScrolling) {
    help::Help& window = chooseInstructions();
    auto* info = static_cast<fw::StaticText*>(label(window, "stx_Info"));
    for (const ShownTopic& shown : allTopics()) {
        SCOPED_TRACE(shown.link.toStdString());
        clickLink(window, shown.link);
        const QRect needed =
            QFontMetrics(info->fittedFont())
                .boundingRect(QRect(0, 0, 575, 10000),
                              Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, info->text());
        EXPECT_LE(needed.height(), 316);
        EXPECT_LE(needed.width(), 575);
        EXPECT_GE(info->fittedFont().pixelSize(), 10);
    }
}
