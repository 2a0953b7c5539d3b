#include "help/Help.h"

#include "fw/DesignLayout.h"
#include "fw/Text.h"
#include "help/TopicLink.h"
#include "help/Topics.h"
#include "mainwindow/MainWindow.h"
#include "shell/Pictures.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>

namespace help {

Q_LOGGING_CATEGORY(lcHelp, "tolvane.help")

namespace {

// The one Help window; set as soon as its construction begins, cleared when it closes.
Help* current = nullptr;

const QColor backColor(0xF8, 0xF8, 0xF8);
const QColor textColor(0x00, 0x00, 0x00);
const QColor linkColor(0x00, 0x00, 0xFF);
const QColor lineColor(0xC0, 0xC0, 0xC0);

// A label of the window at its design place, text size (pixels) and colour.
template <class Label = fw::StaticText>
Label* makeLabel(QWidget* parent, const char* name, const QRect& inWindow,
                 const fw::LabelDesign& design) {
    auto* label = new Label(parent);
    label->setObjectName(name);
    fw::place(*label, *parent, inWindow);
    fw::applyDesign(*label, design);
    return label;
}

struct LinkDesign {
    const char* name;
    const char* text;
    int top;
    void (Help::*display)();
};

} // namespace

Help::Help() {
    current = this;
    TopicLink::describeToScreenReaders();
    Layout();
    CreateControls();
    Event_Open();
}

Help::~Help() {
    if (current == this)
        current = nullptr;
}

void Help::Layout() {
    setObjectName("Help");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(800, 480);
    QPalette background = palette();
    background.setColor(QPalette::Window, backColor);
    setPalette(background);
    setAutoFillBackground(true);
    setWindowTitle("Help");
    fw::useDesignFont(*this);
}

void Help::CreateControls() {
    auto* groupBox = new QGroupBox(this);
    groupBox->setObjectName("GroupBox1");
    fw::place(*groupBox, *this, {185, 71, 595, 372});

    stx_Info_ = makeLabel(groupBox, "stx_Info", {195, 127, 575, 316},
                          {.textSize = 12, .textColor = textColor, .multiline = true});
    stx_Title_ = makeLabel(groupBox, "stx_Title", {195, 83, 140, 20},
                           {.textSize = 18, .textColor = textColor, .underline = true});

    static constexpr std::array<LinkDesign, 4> linkDesigns{{
        {"stx_Overview", "Overview", 82, &Help::displayOverview},
        {"stx_BackUpSets", "Backup Sets", 127, &Help::displayBackupSets},
        {"stx_Advanced", "Advanced", 159, &Help::displayAdvanced},
        {"stx_BackUp", "Backup", 191, &Help::displayBackup},
    }};
    for (std::size_t i = 0; i < linkDesigns.size(); ++i) {
        const LinkDesign& design = linkDesigns[i];
        TopicLink* link =
            makeLabel<TopicLink>(this, design.name, {35, design.top, 129, 20},
                                 {.text = design.text, .textSize = 18, .textColor = linkColor});
        connect(link, &TopicLink::chosen, this, [this, link, display = design.display] {
            underlineOnly(link);
            (this->*display)();
        });
        links_[i] = link;
    }

    auto* line = new QFrame(this);
    line->setObjectName("Line1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(2);
    fw::setTextColor(*line, lineColor);
    fw::place(*line, *this, {16, 116, 163, 2});
}

void Help::Event_Open() {
    const QPixmap backdrop = shell::help_background();
    if (backdrop.isNull())
        qCDebug(lcHelp) << "no help_background picture; the background colour shows";
    ::Help().setBackdrop(backdrop);
    setWindowTitle(fw::toQString(MainWindow().softwareName + " Help"));
    underlineOnly(links_[0]);
    displayOverview();
    // Topics are chosen with the keyboard from the first one on.
    links_[0]->setFocus(Qt::OtherFocusReason);
}

void Help::displayOverview() {
    showTopic(overviewTopic());
}

void Help::displayBackupSets() {
    showTopic(backupSetsTopic());
}

void Help::displayAdvanced() {
    showTopic(advancedTopic());
}

void Help::displayBackup() {
    showTopic(backupTopic());
}

void Help::showTopic(const Topic& topic) {
    stx_Title_->setText(fw::toQString(std::string(topic.title)));
    stx_Info_->setText(fw::toQString(topicBody(topic)));
}

void Help::underlineOnly(const QLabel* chosen) {
    for (QLabel* link : links_)
        fw::setUnderline(*link, link == chosen);
}

void Help::closeEvent(QCloseEvent* event) {
    // The window is deleted later; a new "Instructions" must already make a fresh one.
    if (current == this)
        current = nullptr;
    fw::Canvas::closeEvent(event);
}

void Help::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    fw::Canvas::keyPressEvent(event);
}

} // namespace help

help::Help& Help() {
    if (!help::current)
        new help::Help; // registers itself as the current window; deleted when closed
    return *help::current;
}
