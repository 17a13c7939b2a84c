#pragma once
// TAboutForm: the About window, shown modelessly from Help/About.

#include "tform.h"

#include <memory>

namespace Ui {
class TAboutForm;
}

namespace harbex {

class TAboutForm : public TForm {
    Q_OBJECT

public:
    explicit TAboutForm(QWidget* parent = nullptr);
    ~TAboutForm() override;

public slots:
    // OK: hides the window; it can be shown again.
    void Done();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createLayout();
    void writeTexts();

    std::unique_ptr<Ui::TAboutForm> ui;
};

} // namespace harbex
