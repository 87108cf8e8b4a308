#include <gtest/gtest.h>

#include "book/live_app.h"

namespace {

TEST(LiveApp, UnreachableBackEndFailsEveryCallWithAReason) {
    auto app = book::MakeUnreachableApp();
    EXPECT_EQ(app->Start(), book::kAppUnreachable);
    EXPECT_FALSE(app->ErrorText(book::kAppUnreachable).empty());
    const double v = 1.0;
    for (int rc :
         {app->NewWorkbook(), app->Version(), app->SelectWorksheet(1), app->AppendWorksheet(),
          app->WriteCell("A1", "x"), app->WriteRange("A1", &v, 1), app->Quit()})
        EXPECT_LT(rc, 0);
}

TEST(LiveApp, RecordingBackEndChecksReferencesAgainstItsVersion) {
    const struct {
        int version;
        const char* ref;
        int count;
        int rc;
    } cases[] = {
        {16, "B6:B9", 4, 0},
        {16, "B6:B8", 4, book::kAppBadReference},
        {16, "B6:C9", 4, book::kAppBadReference},
        {16, "XFD1048576", 1, 0},
        {16, "b6", 1, book::kAppBadReference},
        {11, "IV65536", 1, 0},
        {11, "IW1", 1, book::kAppBadReference},
        {11, "A65537", 1, book::kAppBadReference},
        {11, "A65530:A65536", 7, 0},
    };
    for (const auto& c : cases) {
        book::RecordingApp app(c.version);
        ASSERT_EQ(app.Start(), 0);
        ASSERT_EQ(app.NewWorkbook(), 0);
        const std::vector<double> values(static_cast<std::size_t>(c.count), 2.5);
        EXPECT_EQ(app.WriteRange(c.ref, values.data(), c.count), c.rc) << c.ref;
        if (c.count == 1) {
            EXPECT_EQ(app.WriteCell(c.ref, "t"), c.rc) << c.ref;
        }
        EXPECT_EQ(app.calls().at(2).values, values);
    }
}

TEST(LiveApp, RecordingBackEndWorksheetsAndInjectedFailures) {
    book::RecordingApp app;
    EXPECT_EQ(app.WriteCell("A1", "early"), book::kAppNoWorkbook);
    ASSERT_EQ(app.Start(), 0);
    ASSERT_EQ(app.NewWorkbook(), 0);
    EXPECT_EQ(app.SelectWorksheet(1), 0);
    EXPECT_EQ(app.SelectWorksheet(2), book::kAppNoWorksheet);
    EXPECT_EQ(app.AppendWorksheet(), 0);
    EXPECT_EQ(app.SelectWorksheet(2), 0);
    app.failing = {"Quit"};
    EXPECT_EQ(app.Quit(), book::kAppRefused);
    EXPECT_EQ(app.WriteCell("C2", "still open"), 0);
    app.failing.clear();
    EXPECT_EQ(app.Quit(), 0);
    EXPECT_EQ(app.WriteCell("C3", "closed"), book::kAppNoWorkbook);

    std::vector<std::string> ops;
    for (const auto& c : app.calls())
        ops.push_back(c.op + (c.ref.empty() ? "" : " " + c.ref));
    const std::vector<std::string> want = {"WriteCell A1",      "Start",
                                           "NewWorkbook",       "SelectWorksheet 1",
                                           "SelectWorksheet 2", "AppendWorksheet",
                                           "SelectWorksheet 2", "Quit",
                                           "WriteCell C2",      "Quit",
                                           "WriteCell C3"};
    EXPECT_EQ(ops, want);
}

} // namespace
