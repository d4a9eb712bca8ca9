#include "app/DialogPermissionPrompter.h"
#include "kit/FakeDialogService.h"

#include <gtest/gtest.h>

#include <optional>

TEST(DialogPermissionPrompter, AsksThroughTheDialogServiceAndAnswersByButton)
{
    ui::FakeDialogService dialogs;
    app::DialogPermissionPrompter prompter(dialogs, nullptr);
    const remote::PermissionRequest request { QStringLiteral("Pad"), QStringLiteral("K"), QStringLiteral("CONTROL"),
        QStringLiteral("10.0.0.7") };
    for (const auto& [button, allowed] : { std::pair { "Allow", true }, std::pair { "Deny", false } }) {
        std::optional<bool> answer;
        prompter.ask(request, [&](bool value) { answer = value; });
        ASSERT_FALSE(answer) << "the question returns before the operator answers";
        const auto& alert = dialogs.alerts().back().request;
        EXPECT_EQ(alert.title, QStringLiteral("Allow iPad Permission?"));
        EXPECT_EQ(alert.message, QStringLiteral("Device: Pad\nClientKey: K\nRequested: CONTROL\nAddress: 10.0.0.7"));
        ASSERT_EQ(alert.buttons.size(), 2u);
        EXPECT_EQ(alert.buttons[0].title, QStringLiteral("Allow"));
        EXPECT_EQ(alert.buttons[1].role, ui::AlertButton::Role::cancel);
        ASSERT_TRUE(dialogs.answerAlert(QString::fromLatin1(button)));
        EXPECT_EQ(answer, allowed);
    }
}
