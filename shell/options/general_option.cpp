#include "options/general_option.h"

#include <utility>

void GeneralOption::MakeBooleanOption(std::string optionName, std::string optionDescription,
                                      bool* optionFlag) {
    name = std::move(optionName);
    description = std::move(optionDescription);
    flag = optionFlag;
    text = nullptr;
    kind = OptionKind::Boolean;
}
