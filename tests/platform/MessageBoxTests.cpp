#include "platform/RecordingMessageBox.h"
#include "platform/StreamMessageBox.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(RecordingMessageBox, OkBoxesAnswerOkAndLeaveTheScriptForQuestions) {
    CRecordingMessageBox box;
    box.QueueAnswer(EMessageAnswer::Yes);
    box.QueueAnswer(EMessageAnswer::No);
    box.QueueAnswer(EMessageAnswer::Yes);

    EXPECT_EQ(box.Show("Path does not exist", EMessageButtons::Ok, EMessageIcon::None), EMessageAnswer::Ok);
    EXPECT_EQ(box.Show("first?", EMessageButtons::YesNo, EMessageIcon::None), EMessageAnswer::Yes);
    EXPECT_EQ(box.Show("second?", EMessageButtons::YesNo, EMessageIcon::None), EMessageAnswer::No);
    EXPECT_EQ(box.Show("done", EMessageButtons::Ok, EMessageIcon::Information), EMessageAnswer::Ok);
    EXPECT_EQ(box.Show("third?", EMessageButtons::YesNo, EMessageIcon::None), EMessageAnswer::Yes);
    // The script has run out: a question nobody planned for is refused.
    EXPECT_EQ(box.Show("fourth?", EMessageButtons::YesNo, EMessageIcon::None), EMessageAnswer::No);

    EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Path does not exist", "first?", "second?", "done", "third?",
                                                     "fourth?"}));
    ASSERT_EQ(box.Shown().size(), 6u);
    EXPECT_EQ(box.Shown()[1].buttons, EMessageButtons::YesNo);
    EXPECT_EQ(box.Shown()[3].icon, EMessageIcon::Information);
}

TEST(RecordingMessageBox, ClearForgetsTextsBeepsAndScript) {
    CRecordingMessageBox box;
    box.QueueAnswer(EMessageAnswer::Yes);
    box.Show("x", EMessageButtons::Ok, EMessageIcon::None);
    box.Beep();
    box.Beep();
    EXPECT_EQ(box.BeepCount(), 2);
    box.Clear();
    EXPECT_TRUE(box.Shown().empty());
    EXPECT_EQ(box.BeepCount(), 0);
    EXPECT_EQ(box.Show("q?", EMessageButtons::YesNo, EMessageIcon::None), EMessageAnswer::No);
}

TEST(StreamMessageBox, WritesEachTextOnItsOwnLineAndAnswersAsConfigured) {
    std::ostringstream out;
    CStreamMessageBox box(out, EMessageAnswer::Yes);
    EXPECT_EQ(box.Show("Duplicate Symbol Failure\n\nChoose", EMessageButtons::Ok, EMessageIcon::None),
              EMessageAnswer::Ok);
    EXPECT_EQ(box.Show("Replace?", EMessageButtons::YesNo, EMessageIcon::None), EMessageAnswer::Yes);
    box.Beep();
    EXPECT_EQ(out.str(), "Duplicate Symbol Failure\n\nChoose\nReplace?\n");

    std::ostringstream quiet;
    CStreamMessageBox refusing(quiet);
    EXPECT_EQ(refusing.Show("Replace?", EMessageButtons::YesNo, EMessageIcon::None), EMessageAnswer::No);
}

} // namespace
