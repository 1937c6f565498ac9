// The feedback question: when it comes, what each answer leaves behind, and
// the model's engagement timer that brings it after a spell of use.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <string>
#include <vector>

#include "app/base/messagebox.h"
#include "app/base/timeutils.h"
#include "app/orvantaappmodel.h"
#include "app/userengagement.h"

namespace {

constexpr int kWait = 30000;

class UserEngagement : public ::testing::Test {
protected:
    void SetUp() override {
        saved = engagement.nextReq;
        savedLink = engagement.review_link;
        engagement.openLink = [this](const std::string& link) { opened.push_back(link); };
        setMessageBoxPresenter([this](OV_HWND, const std::string& title, const std::string&,
                                      const std::vector<std::string>& buttons,
                                      std::function<void(int)> done) {
            titles.push_back(title);
            EXPECT_EQ(buttons.size(), 3u);
            if (done) done(answer);
        });
    }
    void TearDown() override {
        setMessageBoxPresenter({});
        engagement.nextReq = saved;
        engagement.review_link = savedLink;
        engagement.openLink = {};
    }

    CUserEngagement& engagement = CUserEngagement::instance();
    int saved = 0, answer = 1;
    std::string savedLink;
    std::vector<std::string> titles, opened;
};

TEST_F(UserEngagement, AsksWhenDueAndRemembersTheAnswer) {
    const int today = DayNumToday();
    const int later = today + CUserEngagement::kLaterDelayDays, never = CUserEngagement::kNever;
    // Name, nextReq, answer, asked, nextReq after, link opened.
    const std::tuple<const char*, int, int, bool, int, bool> cases[] = {
        {"first minute ever: a week's grace", 0, 0, false, today + CUserEngagement::kFirstDelayDays,
         false},
        {"not yet due", today + 1, 0, false, today + 1, false},
        {"due, rated", today, 0, true, never, true},
        {"overdue, later", today - 40, 1, true, later, false},
        {"due, never", today, 2, true, never, false},
        {"window gone unanswered", today, -1, true, later, false},
        {"said never before", never, 0, false, never, false},
    };
    for (const auto& [name, nextReq, given, asked, nextReqAfter, linkOpened] : cases) {
        SCOPED_TRACE(name);
        titles.clear();
        opened.clear();
        engagement.nextReq = nextReq;
        answer = given;
        EXPECT_EQ(engagement.onEngaged(nullptr), asked);
        EXPECT_EQ(titles.size(), asked ? 1u : 0u);
        EXPECT_EQ(engagement.nextReq, nextReqAfter);
        EXPECT_EQ(opened, linkOpened ? std::vector<std::string>{engagement.review_link}
                                     : std::vector<std::string>{});
    }
}

TEST_F(UserEngagement, TheModelsTimerBringsTheQuestionAndStopsWhileInactive) {
    setMessageBoxPresenter({});
    const int interval = COrvantaAppModel::engagementInterval_ms;
    COrvantaAppModel::engagementInterval_ms = 200;
    engagement.nextReq = DayNumToday();
    COrvantaAppModel model;
    COrvantaAppModel::engagementInterval_ms = interval;
    EXPECT_TRUE(model.engagementTimerActive()) << "started at construction";
    Q_EMIT model.applicationWillResignActive();
    EXPECT_FALSE(model.engagementTimerActive());

    QSignalSpy boxes(&model, &COrvantaAppModel::messageBoxRequested);
    Q_EMIT model.applicationDidBecomeActive();
    EXPECT_TRUE(model.engagementTimerActive());
    ASSERT_TRUE(boxes.wait(kWait));
    EXPECT_EQ(boxes.first().at(1).toString(), "Enjoying Orvanta?");
    EXPECT_EQ(boxes.first().at(3).toStringList(), (QStringList{"Rate Orvanta", "Later", "Never"}));
    model.answerMessageBox(boxes.first().at(0).toInt(), 1);
    EXPECT_EQ(engagement.nextReq, DayNumToday() + CUserEngagement::kLaterDelayDays);
    EXPECT_FALSE(model.engagementTimerActive()) << "single shot";
}

}  // namespace
