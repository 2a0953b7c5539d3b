#include "help/Help.h"

#include "fw/Text.h"
#include "help/Topics.h"
#include "mainwindow/MainWindow.h"
#include "shell/Pictures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
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

// The window's text sizes are the original platform's points, one pixel each; its labels
// were laid out for them (an 18 point title in a 20 pixel high label).
QFont systemFont(int size) {
    QFont font = QApplication::font();
    font.setPixelSize(size);
    return font;
}

void setTextColor(QWidget* control, const QColor& color) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, color);
    control->setPalette(palette);
}

void setUnderline(QLabel* label, bool underline) {
    QFont font = label->font();
    font.setUnderline(underline);
    label->setFont(font);
}

// Places a control given in window coordinates, also when it lies inside a group box.
void place(QWidget* window, QWidget* control, const QRect& inWindow) {
    control->setGeometry(inWindow.translated(-control->parentWidget()->mapTo(window, QPoint())));
}

QLabel* makeLabel(QWidget* window, QWidget* parent, const char* name, const QRect& inWindow,
                  int size, const QColor& color) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(systemFont(size));
    setTextColor(label, color);
    place(window, label, inWindow);
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
}

void Help::CreateControls() {
    auto* groupBox = new QGroupBox(this);
    groupBox->setObjectName("GroupBox1");
    groupBox->setFont(QApplication::font());
    place(this, groupBox, {185, 71, 595, 372});

    stx_Info_ = makeLabel(this, groupBox, "stx_Info", {195, 127, 575, 316}, 12, textColor);
    stx_Info_->setWordWrap(true);
    stx_Info_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    stx_Title_ = makeLabel(this, groupBox, "stx_Title", {195, 83, 140, 20}, 18, textColor);
    setUnderline(stx_Title_, true);

    static constexpr std::array<LinkDesign, 4> linkDesigns{{
        {"stx_Overview", "Overview", 82, &Help::displayOverview},
        {"stx_BackUpSets", "Backup Sets", 127, &Help::displayBackupSets},
        {"stx_Advanced", "Advanced", 159, &Help::displayAdvanced},
        {"stx_BackUp", "Backup", 191, &Help::displayBackup},
    }};
    for (std::size_t i = 0; i < linkDesigns.size(); ++i) {
        const LinkDesign& design = linkDesigns[i];
        QLabel* label =
            makeLabel(this, this, design.name, {35, design.top, 129, 20}, 18, linkColor);
        label->setText(design.text);
        label->installEventFilter(this);
        links_[i] = {label, design.display};
    }

    auto* line = new QFrame(this);
    line->setObjectName("Line1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(2);
    setTextColor(line, lineColor);
    place(this, line, {16, 116, 163, 2});
}

void Help::Event_Open() {
    const QPixmap backdrop = shell::help_background();
    if (backdrop.isNull())
        qCDebug(lcHelp) << "no help_background picture; the background colour shows";
    ::Help().setBackdrop(backdrop);
    setWindowTitle(fw::toQString(MainWindow().softwareName + " Help"));
    underlineOnly(links_[0].label);
    displayOverview();
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
    for (const Link& link : links_)
        setUnderline(link.label, link.label == chosen);
}

void Help::closeEvent(QCloseEvent* event) {
    // The window is deleted later; a new "Instructions" must already make a fresh one.
    if (current == this)
        current = nullptr;
    fw::Canvas::closeEvent(event);
}

bool Help::eventFilter(QObject* watched, QEvent* event) {
    for (const Link& link : links_) {
        if (watched != link.label)
            continue;
        if (event->type() == QEvent::Enter) {
            // Never set back: from its first entry on, the link shows the finger.
            link.label->setCursor(Qt::PointingHandCursor);
        } else if (event->type() == QEvent::MouseButtonPress) {
            underlineOnly(link.label);
            (this->*link.display)();
        }
        break;
    }
    return fw::Canvas::eventFilter(watched, event);
}

} // namespace help

help::Help& Help() {
    if (!help::current)
        new help::Help; // registers itself as the current window; deleted when closed
    return *help::current;
}
