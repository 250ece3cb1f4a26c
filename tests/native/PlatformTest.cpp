// The dispatch boundary: how a failure in a handler reaches the user.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "assets/Layouts.h"
#include "platform/double/RecordingPlatform.h"

namespace {

using platform::RuntimeError;

TEST(DispatchBoundary, ReportsAFailureWithItsNumberAndTextInACriticalBoxAndEnds) {
    const std::pair<unsigned long, std::wstring> cases[] = {
        {0, L"Σφάλμα εκτέλεσης 0:\n\nnone"},
        {3, L"Σφάλμα εκτέλεσης 3:\n\nThe system cannot find the path specified.\nE:\\quin\\"},
        {1359, L"Σφάλμα εκτέλεσης 1359:\n\nx"},
        {4294967295UL, L"Σφάλμα εκτέλεσης 4294967295:\n\ny"},
    };
    for (const auto& [number, expected] : cases) {
        platform::RecordingPlatform recording;
        const std::wstring description = expected.substr(expected.find(L"\n\n") + 2);
        recording.Dispatch([&] { throw RuntimeError{number, description}; });
        ASSERT_EQ(recording.messages.size(), 1u) << number;
        EXPECT_EQ(recording.messages[0].prompt, expected);
        EXPECT_EQ(recording.messages[0].title, L"Quintaral");
        EXPECT_EQ(recording.messages[0].buttons, 16) << "critical icon, OK button";
        EXPECT_TRUE(recording.Ended());
        EXPECT_EQ(recording.log.back(), "end");
    }
}

TEST(DispatchBoundary, AnyOtherFailureIsAnInternalError) {
    platform::RecordingPlatform recording;
    platform::Forms forms(recording);
    platform::Form form(forms, kForm1Layout);
    recording.Dispatch([&] { platform::Control missing(form, "NoSuchControl"); });
    ASSERT_EQ(recording.messages.size(), 1u);
    EXPECT_EQ(recording.messages[0].prompt, L"Σφάλμα εκτέλεσης 1359:\n\nInternal error.");

    platform::RecordingPlatform other;
    other.Dispatch([] { throw std::out_of_range("index"); });
    ASSERT_EQ(other.messages.size(), 1u);
    EXPECT_EQ(other.messages[0].prompt, L"Σφάλμα εκτέλεσης 1359:\n\nInternal error.");
}

}  // namespace
