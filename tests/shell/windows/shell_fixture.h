#pragma once
// A running shell under the offscreen platform: the three windows, a
// program folder with the real vantel and stand-ins for the editor and the
// full interpreter, recorded message boxes and answered file dialogs.

#include "about_form.h"
#include "forms.h"
#include "main_form.h"
#include "options_form.h"
#include "platform.h"
#include "test_environment.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace harbex::test {

struct Message {
    QString text;
    QString caption;
    MessageButtons buttons;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(work.Path());
        std::filesystem::remove(OptionFile());
        std::filesystem::remove(RegistryFile());
        TMainForm::WindowSettings().clear();
        previousBox_ = SetMessageBoxFunction(
            [this](const QString& text, const QString& caption, MessageButtons buttons) {
                messages.push_back({text, caption, buttons});
            });
        previousQuestion_ = SetQuestionFunction([this](const QString& text, const QString&) {
            questions.push_back(text);
            return answer;
        });
        MakeProgramFolder();
    }

    void TearDown() override {
        forms_.reset();
        SetMessageBoxFunction(previousBox_);
        SetQuestionFunction(previousQuestion_);
        std::filesystem::current_path(previousFolder_);
    }

    void MakeProgramFolder() {
        programDir = work / "programs/";
        std::filesystem::create_directories(programDir);
        std::filesystem::create_symlink(VANTEL_PATH, programDir + "vantel");
        editorRecord = work / "editor.record";
        WriteRecordingEditor(programDir + "quillpad", editorRecord);
        WriteScript(programDir + "snobol4",
                    "echo \"$*\" > '" + (work / "snobol4.args") +
                        "'\n"
                        "printf 'SNOBOL4 LISTING\\n    1  END\\n' > \"$3\"\n"
                        "echo 'the output'\necho 'an error' >&2\n");
    }

    // Creates the windows as the program does and brings the main window to
    // its first activation.
    void Start() {
        FirstActivation = true;
        forms_ = std::make_unique<Forms>();
        MainForm->SetExecutablePath(programDir + "harbex");
        MainForm->show();
        Activate(*MainForm);
        ASSERT_FALSE(FirstActivation) << "the main window was never activated";
    }

    // Destroys the windows as the end of the program does.
    void Stop() { forms_.reset(); }

    static void Activate(QWidget& window) {
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        Settle();
    }

    static void Settle() {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

    template <typename T> static T* Find(QObject& owner, const char* name) {
        T* found = owner.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static QAction* Item(const char* name) { return Find<QAction>(*MainForm, name); }

    // Picks a menu item as the user would.
    static void Pick(const char* name) {
        Item(name)->trigger();
        Settle();
    }

    // Answers the named file dialog of `owner` with `path` (or cancels it
    // when the path is empty) as soon as it is shown.
    void AnswerDialog(QWidget& owner, const char* name, const std::string& path) {
        QTimer::singleShot(0, &owner, [&owner, name, path, this] {
            auto* dialog = owner.findChild<QFileDialog*>(name);
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(dialog->isVisible());
            dialogFolder = dialog->directory().absolutePath().toStdString();
            if (path.empty()) {
                dialog->reject();
            } else {
                // Typed into the file name box, as a user would.
                auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                ASSERT_NE(name, nullptr);
                name->setText(QString::fromStdString(path));
                static_cast<QDialog*>(dialog)->accept(); // as the Open button does
            }
        });
    }

    // Answers the box that asks before a file is replaced, as soon as it
    // shows: Yes or No.
    static void AnswerReplace(bool replace) {
        QTimer::singleShot(0, [replace] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr) << "no question before replacing";
            box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
        });
    }

    void Choose(const std::string& path) {
        AnswerDialog(*MainForm, "OpenDialog", path);
        Pick("Choose1");
    }

    // Sends a key press to the widget as the keyboard would.
    static void Key(QWidget& widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    const QString& text = QString()) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(&widget, &press);
        Settle();
    }

    // Replaces the subset processor with a stand-in that writes a listing,
    // then runs until it is asked to end, which it writes into `record`.
    void MakeLoopingProcessor(const std::string& record) {
        std::filesystem::remove(programDir + "vantel");
        WriteScript(programDir + "vantel", "echo 'partial listing' > \"${1%.*}.lst\"\n"
                                           "trap 'echo TERM > \"" +
                                               record +
                                               "\"; exit 0' TERM\n"
                                               "while :; do sleep 0.05; done\n");
    }

    static QStringList MemoLines() {
        return Find<QPlainTextEdit>(*MainForm, "Memo1")->toPlainText().split('\n');
    }

    static QTableWidget* Grid() { return Find<QTableWidget>(*OptionsForm, "StringGrid1"); }

    static QString Cell(int column, int row) {
        const QTableWidgetItem* item = Grid()->item(row, column);
        return item == nullptr ? QString() : item->text();
    }

    static QString RegistryValue() {
        QSettings settings("Varnhold", "SNOBOL4");
        return settings.value("CurrentDir").toString();
    }

    std::string EditorArguments() {
        EXPECT_TRUE(WaitForFile(editorRecord, std::chrono::seconds(10)));
        return RecordedArguments(editorRecord);
    }

    TempDir work;
    std::string programDir;
    std::string editorRecord;
    std::string dialogFolder;
    std::vector<Message> messages;
    std::vector<QString> questions;
    bool answer = true; // to every question

private:
    std::unique_ptr<Forms> forms_;
    MessageBoxFunction previousBox_;
    QuestionFunction previousQuestion_;
    std::filesystem::path previousFolder_;
};

} // namespace harbex::test
