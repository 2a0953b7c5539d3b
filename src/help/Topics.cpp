#include "help/Topics.h"

#include "fw/Text.h"

namespace help {

const Topic& overviewTopic() {
    static const Topic topic{
        "Overview",
        {
            {{"Tolvane is a simple tool that backs up the files and folders on your computer to "
              "another place, usually an external drive."},
             2},
            {{"A backup makes no image files. New files are copied and existing files are "
              "updated in the destination folder, ",
              "in a form that any other computer can read."},
             2},
            {{"Your backup sets and all other settings are kept when you quit Tolvane, and they "
              "are there again the next time you open it."},
             10},
            {{"(You use this software at your own risk. Its maker is not responsible for any "
              "loss of or damage to your data while you use it.)"},
             0},
        }};
    return topic;
}

const Topic& backupSetsTopic() {
    static const Topic topic{
        "Backup Sets",
        {
            {{"A backup set is a folder that you want to back up. Click 'New Set' and choose "
              "that folder to add a set; ",
              "its path then shows under the backup-set drop-down list."},
             2},
            {{"Each set also needs a destination folder, which you choose with 'Destination'. "
              "Inside the destination, Tolvane creates a folder named like the set's folder: ",
              "for example, a set called pictures gets a folder named pictures in the "
              "destination."},
             2},
            {{"Tick 'Enable Set' to take the set into the backup, or clear it to leave the set "
              "out. ",
              "The drop-down list shows \u221A in front of the name of an enabled set and - in "
              "front of a disabled one."},
             2},
            {{"To remove a set, choose it in the drop-down list and click 'Remove'."}, 0},
        }};
    return topic;
}

const Topic& advancedTopic() {
    static const Topic topic{
        "Advanced",
        {
            {{"The 'Advanced' tab lets you be more particular about which files are backed up."},
             2},
            {{"It shows two lists, 'Contains' and 'Extensions'. Type a text into the text box, ",
              "then click the button under the box, 'Contains' or 'Extension', to put the text "
              "into that list."},
             2},
            {{"Click 'Remove' under a list to remove the selected entry from that list."}, 1},
            {{"While it builds the list of files to back up, Tolvane ignores files whose names "
              "contain a text of the 'Contains' list ",
              "and files with an extension of the 'Extensions' list."},
             0},
        }};
    return topic;
}

const Topic& backupTopic() {
    static const Topic topic{
        "Backup",
        {
            {{"To start a backup, choose the 'Backup' tab and click 'Start Backup'."}, 2},
            {{"Tolvane then searches the folders of the enabled sets and builds the list of "
              "items to back up, ",
              "leaving out what the 'Advanced' tab excludes."},
             2},
            {{"Then each item of the list is checked. ",
              "An item that the destination lacks is copied. ",
              "An item that is newer than its copy in the destination has that copy removed and "
              "is copied again."},
             2},
            {{"If errors occurred, you are told so and can save a text file of the errors to the "
              "Desktop."},
             4},
            {{"While the sizes of large files are calculated and large files are copied, the "
              "program may seem not to respond. ",
              "This is normal."},
             0},
        }};
    return topic;
}

std::string topicBody(const Topic& topic) {
    std::string body;
    int breaks = 0;
    for (const Paragraph& paragraph : topic.paragraphs) {
        body.append(breaks, fw::CR);
        for (std::string_view piece : paragraph.pieces)
            body += piece;
        breaks = paragraph.breaksAfter;
    }
    return body;
}

} // namespace help
