#pragma once
// TOptionsForm: the options dialog. Shows a list of GeneralOption records as
// a two-column grid, lets the user edit the values, and on OK copies them
// into the variables the records point at. It writes nothing to disk.

#include "options/general_option.h"
#include "tform.h"

#include <memory>
#include <vector>

class QFileDialog;

namespace Ui {
class TOptionsForm;
}

namespace harbex {

class TOptionsForm : public TForm {
    Q_OBJECT

public:
    explicit TOptionsForm(QWidget* parent = nullptr);
    ~TOptionsForm() override;

    // Keeps a pointer to the owner's list and fills the grid from it.
    void SetOptions(std::vector<GeneralOption>& options);

public slots:
    void OKClicked();
    void Done();
    void Changer();
    void DoDebug();
    void Resizer();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createLayout();
    void placeColumnsUnderHeadings();
    void createFileDialog();
    void fixColumns();
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    void applyRow(int row);
    void changeBoolean(int row);
    void changePath(int row, bool directory);

    std::unique_ptr<Ui::TOptionsForm> ui;
    QFileDialog* OpenDialog1 = nullptr; // owned by this window
    std::vector<GeneralOption>* optionList = nullptr;
};

} // namespace harbex
