// The options dialog: grid content, OK, Change, Cancel and resizing, with
// records of every kind.

#include "shell_fixture.h"

#include <QPushButton>

namespace harbex::test {
namespace {

// A dialog of its own, filled with one record of each kind.
class OptionsDialog : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        FirstActivation = true;
        dialog = std::make_unique<TOptionsForm>();
        records.resize(5);
        records[0].MakeBooleanOption("Subset", "Subset SNOBOL", &flag);
        records[1].kind = OptionKind::String;
        records[1].description = "Name";
        records[1].text = &name;
        records[2].kind = OptionKind::Directory;
        records[2].description = "Folder";
        records[2].text = &folder;
        records[3].kind = OptionKind::File;
        records[3].description = "Program";
        records[3].text = &program;
        records[4].description = "Broken";
        dialog->SetOptions(records);
        dialog->show();
        Settle();
    }

    void TearDown() override {
        dialog.reset();
        ShellTest::TearDown();
    }

    QString At(int column, int row) const {
        const QTableWidgetItem* item = table()->item(row, column);
        return item == nullptr ? QString() : item->text();
    }
    void Type(int row, const QString& text) { table()->item(row, 1)->setText(text); }
    void Press(const char* button) { Find<QPushButton>(*dialog, button)->click(); }
    void Change(int row) {
        table()->setCurrentCell(row, 1);
        Press("ChangeButton");
    }
    QTableWidget* table() const { return dialog->findChild<QTableWidget*>("StringGrid1"); }

    std::unique_ptr<TOptionsForm> dialog;
    std::vector<GeneralOption> records;
    bool flag = false;
    std::string name = "plain";
    std::string folder = "/old/";
    std::string program = "/old/prog";
};

TEST_F(OptionsDialog, ShowsOneRowPerRecord) {
    ASSERT_EQ(table()->rowCount(), 5);
    EXPECT_EQ(At(0, 0), "Subset SNOBOL");
    EXPECT_EQ(At(1, 0), "No");
    EXPECT_EQ(At(1, 1), "plain");
    EXPECT_EQ(At(1, 2), "/old/");
    EXPECT_EQ(At(1, 3), "/old/prog");
    EXPECT_EQ(At(0, 4), "Broken");
    EXPECT_EQ(At(1, 4), "");
    EXPECT_FALSE(table()->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(table()->item(0, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(dialog->windowTitle(), "Options");
    EXPECT_FALSE(Find<QPushButton>(*dialog, "DbgButton")->isVisible());
}

TEST_F(OptionsDialog, OkAppliesTextsAndFirstLettersOfBooleans) {
    Type(0, "yes please");
    Type(1, "  spaced  ");
    Press("OK");
    EXPECT_TRUE(flag);
    EXPECT_EQ(name, "  spaced  ");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(messages.empty());
    dialog->show();
    Type(0, "n");
    Press("OK");
    EXPECT_FALSE(flag);
    EXPECT_EQ(records[0].flag, &flag);
}

TEST_F(OptionsDialog, ABadOrEmptyBooleanIsReportedAndTheRestApplied) {
    for (const QString& bad : {QString("true"), QString()}) {
        messages.clear();
        dialog->show();
        flag = true;
        Type(0, bad);
        Type(1, "applied " + bad);
        Press("OK");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "The field did not contain yes or no");
        EXPECT_EQ(messages[0].caption, "Subset SNOBOL");
        EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);
        EXPECT_TRUE(flag);
        EXPECT_EQ(name, "applied " + bad.toStdString());
        EXPECT_FALSE(dialog->isVisible());
    }
}

// Change works at once on the first row, and every button has its letter.
TEST_F(OptionsDialog, StartsOnTheFirstRowWithMnemonics) {
    Press("ChangeButton");
    EXPECT_EQ(At(1, 0), "Yes");
    EXPECT_EQ(Find<QPushButton>(*dialog, "OK")->text(), "&OK");
    EXPECT_EQ(Find<QPushButton>(*dialog, "Cancel")->text(), "&Cancel");
    EXPECT_EQ(Find<QPushButton>(*dialog, "ChangeButton")->text(), "C&hange");
}

TEST_F(OptionsDialog, ChangeTogglesOnlyExactYesAndNo) {
    Change(0);
    EXPECT_EQ(At(1, 0), "Yes");
    Change(0);
    EXPECT_EQ(At(1, 0), "No");
    EXPECT_FALSE(flag);
    Type(0, "yes");
    Change(0);
    EXPECT_EQ(At(1, 0), "yes");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "The value needs to be Yes or No and is not. I cannot change it, edit it yourself.");
    EXPECT_EQ(messages[0].caption, "Error changing boolean.");
}

TEST_F(OptionsDialog, ChangeOnOtherKinds) {
    Change(1);
    Change(4);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "This value is just a string - edit it.");
    EXPECT_EQ(messages[0].caption, "Change is not needed");
    EXPECT_EQ(messages[1].text, "The type seems to be wrong, contact programming support.");
    EXPECT_EQ(messages[1].caption, "Program Error.");
}

TEST_F(OptionsDialog, ChangeOnPathsUsesTheFileDialog) {
    std::filesystem::create_directories(work / "tools");
    WriteFile(work / "tools/snobol4", "");
    AnswerDialog(*dialog, "OpenDialog1", work / "tools/snobol4");
    Change(2);
    EXPECT_EQ(At(1, 2), QString::fromStdString(work / "tools/"));
    AnswerDialog(*dialog, "OpenDialog1", work / "tools/snobol4");
    Change(3);
    EXPECT_EQ(At(1, 3), QString::fromStdString(work / "tools/snobol4"));
    AnswerDialog(*dialog, "OpenDialog1", "");
    Change(3);
    EXPECT_EQ(At(1, 3), QString::fromStdString(work / "tools/snobol4"));
    EXPECT_EQ(folder, "/old/");
    auto* files = dialog->findChild<QFileDialog*>("OpenDialog1");
    EXPECT_EQ(files->selectedNameFilter(), "All files (*)");
}

TEST_F(OptionsDialog, CancelKeepsEditsForALaterOk) {
    Type(0, "Yes");
    Press("Cancel");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(flag);
    dialog->show();
    EXPECT_EQ(At(1, 0), "Yes");
    Press("OK");
    EXPECT_TRUE(flag);
}

TEST_F(OptionsDialog, EnterAppliesEscCancelsAndTabLeavesTheGrid) {
    auto reopen = [this] {
        dialog->show();
        Activate(*dialog);
        table()->setFocus();
    };
    reopen();
    Type(0, "Yes");
    Key(*table(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(flag);
    reopen();
    Key(*table(), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(flag);
    // Tab goes on from the grid to the next control, Change.
    reopen();
    Key(*table(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Find<QPushButton>(*dialog, "ChangeButton"));
    // Enter on a focused button presses that button.
    Type(0, "No");
    auto* cancel = Find<QPushButton>(*dialog, "Cancel");
    cancel->setFocus();
    Key(*cancel, Qt::Key_Enter);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(flag);
}

TEST_F(OptionsDialog, TheHeadingsStandOverTheirColumns) {
    const char* headings[] = {"Label1", "Label2"};
    for (int column : {0, 1}) {
        const QLabel* heading = Find<QLabel>(*dialog, headings[column]);
        const int centre = heading->geometry().center().x();
        const int left =
            table()->x() + table()->frameWidth() + table()->columnViewportPosition(column);
        EXPECT_GT(centre, left) << column;
        EXPECT_LT(centre, left + table()->columnWidth(column)) << column;
    }
    EXPECT_EQ(Find<QLabel>(*dialog, "Label1")->text(), "Name");
    EXPECT_EQ(Find<QLabel>(*dialog, "Label2")->text(), "Value");
}

TEST_F(OptionsDialog, ResizingKeepsTheGridFillingTheWindow) {
    QWidget* grid = table();
    auto* cancel = Find<QPushButton>(*dialog, "Cancel");
    auto* ok = Find<QPushButton>(*dialog, "OK");
    dialog->resize(700, 400);
    Settle();
    EXPECT_EQ(grid->width(), 700 - grid->x());
    EXPECT_EQ(ok->y(), grid->y() + grid->height() + dialog->Scaled(kOptionsButtonGap));
    EXPECT_EQ(cancel->y(), ok->y());
    EXPECT_EQ(cancel->x() + cancel->width(), grid->x() + grid->width());
    // Narrow (the outer width counts): the Cancel button's left edge stays.
    const int cancelLeft = cancel->x();
    const int frame = dialog->frameGeometry().width() - dialog->width();
    dialog->resize(dialog->Scaled(kOptionsCancelMinWidth) - frame, 400);
    Settle();
    EXPECT_EQ(cancel->x(), cancelLeft);
    dialog->resize(dialog->Scaled(kOptionsCancelMinWidth) - frame + 1, 400);
    Settle();
    EXPECT_EQ(cancel->x() + cancel->width(), grid->x() + grid->width());
}

} // namespace
} // namespace harbex::test
