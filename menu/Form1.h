#pragma once
// The start-up window and menu: three entries over the picture, highlighted under the
// pointer, and a copyright line.

#include <string>

#include "platform/Platform.h"

class Form1 final : public platform::Form {
public:
    explicit Form1(platform::Forms& forms);

    platform::Control Picture1{*this, "Picture1"};
    platform::Control Label4{*this, "Label4"};
    platform::Control Label3{*this, "Label3"};
    platform::Control Label2{*this, "Label2"};
    platform::Control Label1{*this, "Label1"};

    void Form_Load() override;
    void Form_Activate() override;
    void Label1_MouseMove();
    void Label2_MouseMove();
    void Label3_MouseMove();
    void Picture1_MouseMove();
    void Label1_Click();
    void Label2_Click();
    void Label3_Click();

private:
    void PaintEntries(platform::Colour colour);

    std::wstring installValue_;
    float installed_ = 0;  // 1 when the application is installed
};
