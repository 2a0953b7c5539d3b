#include "fw/LabelText.h"

#include <gtest/gtest.h>
#include <QLabel>

// Texts are compared before they are converted; each kind must still compare as it is shown:
// stray bytes show as replacement characters, a CR as a line break, a leading byte order mark
// not at all.
TEST(LabelText, ALabelChangesExactlyWhenWhatItShowsChanges) {
    QLabel label;
    const std::string stray = "photo\xFF.jpg";
    EXPECT_TRUE(fw::setText(&label, stray));
    EXPECT_EQ(label.text(), QStringLiteral("photo\uFFFD.jpg"));
    EXPECT_FALSE(fw::setText(&label, stray));
    // Another stray byte shows the same.
    EXPECT_FALSE(fw::setText(&label, "photo\xFE.jpg"));
    EXPECT_TRUE(fw::setText(&label, "photo\xFF.png"));
    EXPECT_EQ(label.text(), QStringLiteral("photo\uFFFD.png"));
    // The replacement character itself, written out, shows as the stray byte did.
    EXPECT_FALSE(fw::setText(&label, "photo\xEF\xBF\xBD.png"));

    EXPECT_TRUE(fw::setText(&label, "Gr\xC3\xBC\xC3\x9F"
                                    "e"));
    EXPECT_EQ(label.text(), QStringLiteral("Grüße"));
    EXPECT_FALSE(fw::setText(&label, "Gr\xC3\xBC\xC3\x9F"
                                     "e"));
    EXPECT_TRUE(fw::setText(&label, "Gr\xC3\xBC\xC3\x9F"
                                    "en"));

    // A byte order mark at the start is not shown, so it changes nothing.
    EXPECT_FALSE(fw::setText(&label, "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F"
                                     "en"));
    EXPECT_TRUE(fw::setText(&label, "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F"
                                    "e"));
    EXPECT_EQ(label.text(), QStringLiteral("Grüße"));

    EXPECT_TRUE(fw::setText(&label, "one\rtwo"));
    EXPECT_EQ(label.text(), "one\ntwo");
    EXPECT_FALSE(fw::setText(&label, "one\rtwo"));
    EXPECT_FALSE(fw::setText(&label, "one\ntwo"));
    EXPECT_TRUE(fw::setText(&label, "one\rtwo\r"));
}
