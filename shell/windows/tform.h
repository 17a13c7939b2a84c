#pragma once
// TForm: the base of the shell's windows, a top-level Qt window built from a
// stored layout. Window events become signals (OnActivate, OnResize,
// OnClose, OnDestroy) that a layout's connections bind to named handlers.

#include <QMainWindow>

namespace harbex {

class TForm : public QMainWindow {
    Q_OBJECT

public:
    // Stored layouts are designed at this density.
    static constexpr double kDesignDpi = 144.0;

    explicit TForm(QWidget* parent = nullptr);

    // Design pixels to screen pixels.
    int Scaled(int designPixels) const;
    double Scale() const { return scale_; }

signals:
    void OnActivate();
    void OnResize();
    void OnClose();
    // Emitted by the most derived window at the start of its destructor,
    // while all of it is still alive.
    void OnDestroy();

protected:
    // Moves and sizes the window and the central widget's children from
    // their design values to the screen's density. The window's design
    // position comes from the layout's designLeft and designTop properties.
    void ApplyDesignScale();

    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    double scale_ = 1.0;
};

} // namespace harbex
