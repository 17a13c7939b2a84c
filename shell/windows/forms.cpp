#include "forms.h"

#include "about_form.h"
#include "main_form.h"
#include "options_form.h"

namespace harbex {

TMainForm* MainForm = nullptr;
TAboutForm* AboutForm = nullptr;
TOptionsForm* OptionsForm = nullptr;
bool FirstActivation = true;

Forms::Forms()
    : main_(std::make_unique<TMainForm>()), about_(std::make_unique<TAboutForm>()),
      options_(std::make_unique<TOptionsForm>()) {
    MainForm = main_.get();
    AboutForm = about_.get();
    OptionsForm = options_.get();
}

Forms::~Forms() {
    OptionsForm = nullptr;
    options_.reset();
    AboutForm = nullptr;
    about_.reset();
    MainForm = nullptr;
    main_.reset();
}

} // namespace harbex
