#include "fw/FolderItemList.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using fw::FolderItem;
using fw::FolderItemList;

namespace {

std::vector<std::string> pathsOf(const FolderItemList& list) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < list.size(); ++i)
        paths.push_back(list[i].nativePath());
    return paths;
}

} // namespace

// Items come back as the paths they stand for, whatever bytes their names hold, below the
// root, below another folder given whole and below listed folders; also after items were
// taken off the end one at a time, as a run empties its list, and the list was filled again.
TEST(FolderItemList, GivesBackEveryItemAsTheFolderAndNameItWasListedWith) {
    const std::string odd = std::string("bad \xff\xfe") + " name";
    const std::string longName(255, 'x');
    FolderItemList list;
    const FolderItemList::Folder root = list.outsideFolder(FolderItem::fromNativePath("/"));
    list.push_back(root, "etc");
    const FolderItemList::Folder home = list.outsideFolder(FolderItem::fromNativePath("/home/ann"));
    list.push_back(home, "a:b");
    list.push_back(home, odd);
    list.push_back(FolderItemList::listedFolder(2), "new\nline");
    list.push_back(FolderItemList::listedFolder(3), longName);
    list.push_back(home, "z");

    const std::vector<std::string> listed{"/etc",
                                          "/home/ann/a:b",
                                          "/home/ann/" + odd,
                                          "/home/ann/" + odd + "/new\nline",
                                          "/home/ann/" + odd + "/new\nline/" + longName,
                                          "/home/ann/z"};
    EXPECT_EQ(pathsOf(list), listed);
    EXPECT_EQ(list[1], FolderItem::fromNativePath("/home/ann/a:b"));
    EXPECT_EQ(list[1].Name(), "a/b");

    list.pop_back();
    list.pop_back();
    list.push_back(FolderItemList::listedFolder(2), "again");
    EXPECT_EQ(pathsOf(list), (std::vector<std::string>{listed[0], listed[1], listed[2], listed[3],
                                                       "/home/ann/" + odd + "/again"}));

    while (!list.empty())
        list.pop_back();
    list.push_back(list.outsideFolder(FolderItem::fromNativePath("/srv")), "b");
    EXPECT_EQ(pathsOf(list), std::vector<std::string>{"/srv/b"});
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.size(), 0u);
}
