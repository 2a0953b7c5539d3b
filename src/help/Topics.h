#pragma once

#include <string>
#include <string_view>
#include <vector>

// The fixed texts of the Help window's four topics.
namespace help {

// A paragraph of a topic's body, stored in pieces that are joined directly (every piece but
// the last ends with one blank), and the number of line breaks that follow it.
struct Paragraph {
    std::vector<std::string_view> pieces;
    int breaksAfter = 0;
};

struct Topic {
    std::string_view title;
    std::vector<Paragraph> paragraphs;
};

const Topic& overviewTopic();
const Topic& backupSetsTopic();
const Topic& advancedTopic();
const Topic& backupTopic();

// The body as shown: the paragraphs in order, each followed by the line breaks (CR) of the
// one before the next; nothing before the first or after the last.
std::string topicBody(const Topic& topic);

} // namespace help
