#pragma once
// The installation dialog: which parts to install, then their installers from the disc.

#include "platform/Platform.h"

class egatast final : public platform::Form {
public:
    explicit egatast(platform::Forms& forms);

    platform::Control Command1{*this, "Command1"};
    platform::Control Check2{*this, "Check2"};  // main program
    platform::Control Check1{*this, "Check1"};  // users-and-questions database
    platform::Control Label1{*this, "Label1"};

    void Command1_Click();
};
