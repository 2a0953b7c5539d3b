#include "shell/Pictures.h"

#include "support/PackageCopy.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <vector>

namespace {

struct PictureCase {
    const char* file;
    QPixmap (*accessor)();
    QSize size;
};

const PictureCase kPictures[] = {
    {"background.jpg", shell::background, QSize(512, 317)},
    {"hard_drive.jpg", shell::hard_drive, QSize(58, 64)},
    {"hard_drive2.jpg", shell::hard_drive2, QSize(160, 48)},
    {"backup_drive.jpg", shell::backup_drive, QSize(58, 64)},
    {"help_background.jpg", shell::help_background, QSize(800, 480)},
};
constexpr std::size_t kPictureCount = std::size(kPictures);

// The pictures the build put into share/tolvane beside bin/; only ever read, since other test
// processes use them at the same time.
QString builtPicture(const char* file) {
    return QDir(TOLVANE_RESOURCES_DIR).filePath(file);
}

// Puts the built picture `file` into `folder` under the name `asName`, replacing what is there.
bool placePicture(const QDir& folder, const char* file, const char* asName) {
    QFile::remove(folder.filePath(asName));
    return QFile::copy(builtPicture(file), folder.filePath(asName));
}

TEST(Pictures, EachAccessorLoadsItsOwnFileFromResources) {
    for (const PictureCase& picture : kPictures) {
        SCOPED_TRACE(picture.file);
        const QPixmap loaded = picture.accessor();
        ASSERT_FALSE(loaded.isNull());
        EXPECT_EQ(loaded.size(), picture.size);
        // hard_drive and backup_drive share a size: compare contents to tell them apart.
        const QImage expected(builtPicture(picture.file));
        EXPECT_EQ(loaded.toImage().convertToFormat(expected.format()), expected);
        EXPECT_EQ(picture.accessor().cacheKey(), loaded.cacheKey());
    }
}

// The slots are per process, so the scenarios that change the Resources folder run in a
// copy of this program laid out as an application package in a temporary folder; the copy
// runs the test below with the scenario's name in this variable.
constexpr char kScenarioVariable[] = "TOLVANE_PICTURES_SCENARIO";

// A missing file and a file that is no picture both give a null pixmap; once the real file
// is in place the next call loads it, and only that accessor's picture appears.
void missingPicturesLoadOnceInPlace(const QDir& resources) {
    QFile notAPicture(resources.filePath("background.jpg"));
    ASSERT_TRUE(notAPicture.open(QIODevice::WriteOnly));
    notAPicture.write("not a picture\n");
    notAPicture.close();

    for (const PictureCase& picture : kPictures)
        EXPECT_TRUE(picture.accessor().isNull()) << picture.file;
    for (std::size_t placed = 0; placed < kPictureCount; ++placed) {
        ASSERT_TRUE(placePicture(resources, kPictures[placed].file, kPictures[placed].file));
        for (std::size_t i = 0; i < kPictureCount; ++i) {
            SCOPED_TRACE(kPictures[i].file);
            const QPixmap loaded = kPictures[i].accessor();
            EXPECT_EQ(loaded.isNull(), i > placed);
            if (i <= placed) {
                EXPECT_EQ(loaded.size(), kPictures[i].size);
            }
        }
    }
}

// After the first load each accessor keeps its picture: neither a different file under its
// name nor the loss of the whole folder changes what it returns.
void loadedPicturesAreNotReadAgain(QDir resources) {
    std::vector<qint64> keys;
    for (const PictureCase& picture : kPictures) {
        const QPixmap loaded = picture.accessor();
        ASSERT_FALSE(loaded.isNull()) << picture.file;
        keys.push_back(loaded.cacheKey());
    }
    const auto expectUnchanged = [&] {
        for (std::size_t i = 0; i < kPictureCount; ++i) {
            SCOPED_TRACE(kPictures[i].file);
            const QPixmap held = kPictures[i].accessor();
            EXPECT_EQ(held.cacheKey(), keys[i]);
            EXPECT_EQ(held.size(), kPictures[i].size);
        }
    };

    for (std::size_t i = 0; i < kPictureCount; ++i)
        ASSERT_TRUE(
            placePicture(resources, kPictures[(i + 1) % kPictureCount].file, kPictures[i].file));
    expectUnchanged();
    ASSERT_TRUE(resources.removeRecursively());
    expectUnchanged();
}

TEST(PicturesInPackageCopy, Scenario) {
    const QByteArray scenario = qgetenv(kScenarioVariable);
    if (scenario.isEmpty())
        GTEST_SKIP() << "runs inside a package copy started by the tests below";
    const QDir resources(QCoreApplication::applicationDirPath() + "/../" + PackageCopy::kResources);
    ASSERT_TRUE(resources.exists());
    if (scenario == "missing")
        missingPicturesLoadOnceInPlace(resources);
    else if (scenario == "loaded")
        loadedPicturesAreNotReadAgain(resources);
    else
        FAIL() << "unknown scenario " << scenario.constData();
}

TEST(Pictures, MissingPictureGivesNullAndIsTriedAgain) {
    PackageCopy package;
    ASSERT_TRUE(package.copied());
    QString output;
    EXPECT_TRUE(package.run("PicturesInPackageCopy.Scenario", kScenarioVariable, "missing", output))
        << output.toStdString();
}

TEST(Pictures, LoadedPictureIsNotReadFromDiskAgain) {
    PackageCopy package;
    ASSERT_TRUE(package.copied());
    for (const PictureCase& picture : kPictures)
        ASSERT_TRUE(placePicture(package.resources(), picture.file, picture.file));
    QString output;
    EXPECT_TRUE(package.run("PicturesInPackageCopy.Scenario", kScenarioVariable, "loaded", output))
        << output.toStdString();
}

} // namespace
