#include "DialogDriver.h"

#include <algorithm>
#include <deque>
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

namespace {

enum class Kind { PressButton, ChooseFolder, CancelFolder };

struct Answer {
    Kind kind;
    QString argument; // the caption to press, or the folder to choose
    int timeoutMs;
    std::shared_ptr<SeenDialog> seen;
};

QString describe(const Answer& answer) {
    switch (answer.kind) {
    case Kind::PressButton:
        return QStringLiteral("a message box to answer \"%1\"").arg(answer.argument);
    case Kind::ChooseFolder:
        return QStringLiteral("a folder dialog to choose \"%1\"").arg(answer.argument);
    case Kind::CancelFolder:
        return QStringLiteral("a folder dialog to cancel");
    }
    return {};
}

// Pressed from the event loop rather than from the timer's slot: what the press sets off
// may open another dialog, and a timer does not fire again while its slot is running.
void pressLater(QAbstractButton* button) {
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}

// Closes a dialog that could not be answered as asked, so the code under test goes on.
void dismiss(QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QAbstractButton* way = box->escapeButton();
        if (!way && !box->buttons().isEmpty())
            way = box->buttons().constFirst();
        if (way) {
            pressLater(way);
            return;
        }
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(modal, &QWidget::close, Qt::QueuedConnection);
}

QList<QAbstractButton*> shownButtonsLeftToRight(QMessageBox* box) {
    QList<QAbstractButton*> shown;
    for (QAbstractButton* button : box->buttons()) {
        if (button->isVisible())
            shown.append(button);
    }
    std::sort(shown.begin(), shown.end(), [box](QAbstractButton* a, QAbstractButton* b) {
        return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
    });
    return shown;
}

void answerMessageBox(QMessageBox* box, const Answer& answer) {
    SeenDialog& seen = *answer.seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.informativeText =
        Qt::mightBeRichText(box->informativeText())
            ? QTextDocumentFragment::fromHtml(box->informativeText()).toPlainText()
            : box->informativeText();
    seen.icon = box->icon();
    if (box->defaultButton())
        seen.defaultButton = box->defaultButton()->text();
    QAbstractButton* chosen = nullptr;
    for (QAbstractButton* button : shownButtonsLeftToRight(box)) {
        seen.buttons.append(button->text());
        if (button->text() == answer.argument)
            chosen = button;
    }
    if (!chosen) {
        ADD_FAILURE() << "The dialog \"" << seen.text.toStdString() << "\" has no button \""
                      << answer.argument.toStdString() << "\"; its buttons are: "
                      << seen.buttons.join(QStringLiteral(", ")).toStdString();
        dismiss(box);
        return;
    }
    seen.answered = true;
    pressLater(chosen);
}

void answerFolderDialog(QFileDialog* dialog, const Answer& answer) {
    SeenDialog& seen = *answer.seen;
    seen.title = dialog->windowTitle();
    seen.text = dialog->labelText(QFileDialog::LookIn);
    auto* buttonBox = dialog->findChild<QDialogButtonBox*>();
    QPushButton* button = nullptr;
    if (buttonBox) {
        if (answer.kind == Kind::ChooseFolder) {
            // With nothing typed, a directory dialog chooses the folder it shows.
            dialog->setDirectory(answer.argument);
            dialog->selectFile(QString());
            button = buttonBox->button(QDialogButtonBox::Open);
        } else {
            button = buttonBox->button(QDialogButtonBox::Cancel);
        }
    }
    if (!button || !button->isEnabled()) {
        ADD_FAILURE() << "The folder dialog \"" << seen.title.toStdString()
                      << "\" offers no usable button for " << describe(answer).toStdString();
        dismiss(dialog);
        return;
    }
    seen.buttons = {button->text()};
    seen.answered = true;
    pressLater(button);
}

// Holds the queued answers and polls for the dialogs they are meant for.
class DialogAnswerer : public QObject {
public:
    explicit DialogAnswerer(QObject* parent)
        : QObject(parent) {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, &DialogAnswerer::poll);
    }

    void enqueue(Answer answer) {
        queue_.push_back(std::move(answer));
        if (queue_.size() == 1)
            deadline_.setRemainingTime(queue_.front().timeoutMs);
        timer_.start();
    }

    bool idle() const { return queue_.empty(); }

private:
    Answer takeFront() {
        Answer front = std::move(queue_.front());
        queue_.pop_front();
        if (queue_.empty())
            timer_.stop();
        else
            deadline_.setRemainingTime(queue_.front().timeoutMs);
        return front;
    }

    void poll() {
        if (queue_.empty())
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != answered_ && modal->isVisible()) {
            answered_ = modal;
            apply(takeFront(), modal);
            return;
        }
        if (deadline_.hasExpired()) {
            const Answer missed = takeFront();
            ADD_FAILURE() << "No dialog appeared within " << missed.timeoutMs << " ms: expected "
                          << describe(missed).toStdString();
        }
    }

    static void apply(const Answer& answer, QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        auto* folderDialog = qobject_cast<QFileDialog*>(modal);
        if (answer.kind == Kind::PressButton && box) {
            answerMessageBox(box, answer);
        } else if (answer.kind != Kind::PressButton && folderDialog) {
            answerFolderDialog(folderDialog, answer);
        } else {
            ADD_FAILURE() << "Expected " << describe(answer).toStdString() << " but a "
                          << modal->metaObject()->className() << " titled \""
                          << modal->windowTitle().toStdString() << "\" appeared";
            dismiss(modal);
        }
    }

    QTimer timer_;
    std::deque<Answer> queue_;
    QDeadlineTimer deadline_;
    QPointer<QWidget> answered_; // the dialog whose answer may still be on its way
};

DialogAnswerer& answerer() {
    static QPointer<DialogAnswerer> instance;
    if (!instance)
        instance = new DialogAnswerer(qApp);
    return *instance;
}

std::shared_ptr<SeenDialog> enqueue(Kind kind, const QString& argument, int timeoutMs) {
    auto seen = std::make_shared<SeenDialog>();
    answerer().enqueue({kind, argument, timeoutMs, seen});
    return seen;
}

} // namespace

std::shared_ptr<SeenDialog> answerNextDialog(const QString& caption, int timeoutMs) {
    return enqueue(Kind::PressButton, caption, timeoutMs);
}

std::shared_ptr<SeenDialog> chooseFolderInNextDialog(const QString& nativePath, int timeoutMs) {
    return enqueue(Kind::ChooseFolder, nativePath, timeoutMs);
}

std::shared_ptr<SeenDialog> cancelNextFolderDialog(int timeoutMs) {
    return enqueue(Kind::CancelFolder, QString(), timeoutMs);
}

bool waitForDialogs(int timeoutMs) {
    return QTest::qWaitFor([] { return answerer().idle(); }, timeoutMs);
}
