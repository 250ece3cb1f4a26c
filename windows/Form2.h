#pragma once
// The information window: a scrollable text over the picture and a return arrow.

#include "platform/Platform.h"

class Form2 final : public platform::Form {
public:
    explicit Form2(platform::Forms& forms);

    platform::Control Picture1{*this, "Picture1"};
    platform::Control Text1{*this, "Text1"};
    platform::Control Label2{*this, "Label2"};  // "Επιστροφή", shown beside the arrow
    platform::Control Label1{*this, "Label1"};  // the mouse target over the arrow

    void Form_Activate() override;
    void Label1_MouseMove();
    void Picture1_MouseMove();
    void Label1_Click();
};
