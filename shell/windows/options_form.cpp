#include "options_form.h"

#include "file_dialogs.h"
#include "platform.h"
#include "sizing.h"
#include "ui_options_form.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <algorithm>

namespace harbex {

namespace {

constexpr char kExecutablesFilter[] = "Executables|*.exe|All files|*.*";
constexpr int kAllFilesFilterIndex = 2;
constexpr char kYes[] = "Yes";
constexpr char kNo[] = "No";

void Message(const QString& text, const QString& caption) {
    ShowMessage(text, caption, MessageButtons::Ok);
}

// The text an option shows in its value cell, or none for an unknown kind.
std::optional<QString> ValueText(const GeneralOption& option) {
    switch (option.kind) {
    case OptionKind::String:
    case OptionKind::Directory:
    case OptionKind::File:
        if (option.text == nullptr) return std::nullopt;
        return QString::fromStdString(*option.text);
    case OptionKind::Boolean:
        if (option.flag == nullptr) return std::nullopt;
        return QString(*option.flag ? kYes : kNo);
    default:
        return std::nullopt;
    }
}

} // namespace

TOptionsForm::TOptionsForm(QWidget* parent)
    : TForm(parent), ui(std::make_unique<Ui::TOptionsForm>()) {
    createLayout();
    createFileDialog();
    fixColumns();
}

TOptionsForm::~TOptionsForm() = default;

void TOptionsForm::createLayout() {
    ui->setupUi(this);
    ApplyDesignScale();
    ui->StringGrid1->horizontalHeader()->setDefaultSectionSize(Scaled(240));
    ui->StringGrid1->verticalHeader()->setDefaultSectionSize(Scaled(20));
    placeColumnsUnderHeadings();
}

// The headings "Name" and "Value" stand over their columns: the first
// column reaches halfway between the two headings, the second from there to
// the grid's right edge.
void TOptionsForm::placeColumnsUnderHeadings() {
    QTableWidget& grid = *ui->StringGrid1;
    const int between = (ui->Label1->geometry().right() + ui->Label2->geometry().left()) / 2;
    const int cellsLeft = grid.x() + grid.frameWidth();
    const int first = std::max(1, between - cellsLeft);
    const int second = std::max(1, grid.width() - 2 * grid.frameWidth() - first);
    grid.horizontalHeader()->resizeSection(0, first);
    grid.horizontalHeader()->resizeSection(1, second);
}

// Enter presses the focused button, else OK; Esc is Cancel. Keys the grid's
// cell editor takes (Enter and Esc while editing) do not arrive here.
void TOptionsForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            OKClicked();
        }
        break;
    case Qt::Key_Escape:
        Done();
        break;
    default:
        TForm::keyPressEvent(event);
    }
}

void TOptionsForm::createFileDialog() {
    OpenDialog1 =
        CreateFileDialog(this, "OpenDialog1", QFileDialog::AcceptOpen, kExecutablesFilter, 1);
}

// The first column is fixed: shown like a heading and never edited.
void TOptionsForm::fixColumns() {
    for (int row = 0; row < ui->StringGrid1->rowCount(); ++row)
        setCell(0, row, cell(0, row));
}

QString TOptionsForm::cell(int column, int row) const {
    const QTableWidgetItem* item = ui->StringGrid1->item(row, column);
    return item == nullptr ? QString() : item->text();
}

void TOptionsForm::setCell(int column, int row, const QString& text) {
    QTableWidgetItem* item = ui->StringGrid1->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem; // owned by the grid
        if (column == 0) {
            item->setFlags(Qt::ItemIsEnabled);
            item->setBackground(palette().button());
        }
        ui->StringGrid1->setItem(row, column, item);
    }
    item->setText(text);
}

void TOptionsForm::SetOptions(std::vector<GeneralOption>& options) {
    optionList = &options;
    ui->StringGrid1->setRowCount(static_cast<int>(options.size()));
    for (int row = 0; row < static_cast<int>(options.size()); ++row) {
        const GeneralOption& option = options[static_cast<std::size_t>(row)];
        setCell(0, row, QString::fromStdString(option.description));
        if (std::optional<QString> value = ValueText(option)) setCell(1, row, *value);
    }
    // Change acts on the current row: the first one until another is chosen.
    if (!options.empty()) ui->StringGrid1->setCurrentCell(0, 1);
}

void TOptionsForm::OKClicked() {
    if (optionList != nullptr) {
        const int rows =
            std::min(ui->StringGrid1->rowCount(), static_cast<int>(optionList->size()));
        for (int row = 0; row < rows; ++row)
            applyRow(row);
    }
    close();
}

// Copies one value cell into the variable its option points at. A boolean
// needs a first letter Y or N; anything else, an empty cell included, is
// reported and leaves the variable as it was.
void TOptionsForm::applyRow(int row) {
    const GeneralOption& option = (*optionList)[static_cast<std::size_t>(row)];
    const QString value = cell(1, row);
    switch (option.kind) {
    case OptionKind::String:
    case OptionKind::Directory:
    case OptionKind::File:
        if (option.text != nullptr) *option.text = value.toStdString();
        break;
    case OptionKind::Boolean: {
        const QChar first = value.isEmpty() ? QChar() : value.front().toUpper();
        if (first == 'Y' && option.flag != nullptr) {
            *option.flag = true;
        } else if (first == 'N' && option.flag != nullptr) {
            *option.flag = false;
        } else {
            Message("The field did not contain yes or no", cell(0, row));
        }
        break;
    }
    default:
        break;
    }
}

void TOptionsForm::Done() {
    close();
}

void TOptionsForm::Changer() {
    const int row = ui->StringGrid1->currentRow();
    if (optionList == nullptr || row < 0 || row >= static_cast<int>(optionList->size())) return;
    switch ((*optionList)[static_cast<std::size_t>(row)].kind) {
    case OptionKind::String:
        Message("This value is just a string - edit it.", "Change is not needed");
        break;
    case OptionKind::Directory:
        changePath(row, true);
        break;
    case OptionKind::File:
        changePath(row, false);
        break;
    case OptionKind::Boolean:
        changeBoolean(row);
        break;
    default:
        Message("The type seems to be wrong, contact programming support.", "Program Error.");
        break;
    }
}

void TOptionsForm::changeBoolean(int row) {
    const QString value = cell(1, row);
    if (value == kYes) {
        setCell(1, row, kNo);
    } else if (value == kNo) {
        setCell(1, row, kYes);
    } else {
        Message("The value needs to be Yes or No and is not. I cannot change it, edit it yourself.",
                "Error changing boolean.");
    }
}

// A directory option keeps the chosen file's folder with its trailing
// separator; a file option keeps the whole path.
void TOptionsForm::changePath(int row, bool directory) {
    SetDialogFilterIndex(*OpenDialog1, kAllFilesFilterIndex);
    const std::optional<std::string> chosen = RunFileDialog(*OpenDialog1);
    if (!chosen) return;
    QString path = QString::fromStdString(*chosen);
    const qsizetype separator = path.lastIndexOf('/');
    if (directory && separator >= 0) path.truncate(separator + 1);
    setCell(1, row, path);
}

void TOptionsForm::DoDebug() {}

void TOptionsForm::Resizer() {
    const QRect outer = frameGeometry();
    const QRect grid = ui->StringGrid1->geometry();
    const OptionsArrangement at =
        ArrangeOptions({outer.width(), outer.height()}, grid.x(), grid.y(), ui->Cancel->width(),
                       PlatformMetrics(*this, 0), Scale());
    ui->StringGrid1->resize(std::max(0, at.gridWidth), std::max(0, at.gridHeight));
    ui->OK->move(ui->OK->x(), at.okTop);
    ui->ChangeButton->move(ui->ChangeButton->x(), at.changeTop);
    ui->Cancel->move(at.cancelLeft.value_or(ui->Cancel->x()), at.cancelTop);
    ui->DbgButton->move(at.debugLeft.value_or(ui->DbgButton->x()), at.debugTop);
}

} // namespace harbex
