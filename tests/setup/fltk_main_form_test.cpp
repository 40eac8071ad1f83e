// The main form in real windows: shown at its creation at 680 x 474 with
// its banner and side picture decoded from the programs' resources.
#include "Forms.h"
#include "MachineFixture.h"
#include "fInstall.h"

#if SETUP_HAVE_FLTK

#include "fltk/FltkDisplay.h"
#include "fltk/Pictures.h"

#include <FL/Fl_Window.H>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

namespace {

class MainFormWindowTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        const char* display = std::getenv("DISPLAY");
        ASSERT_TRUE(display && *display) << "no X display: run the tests under xvfb-run";
        delete Application;
        Application = new TApplication;
        std::string problem;
        auto fltk = forms::fltk::FltkDisplay::open(nullptr, problem);
        ASSERT_TRUE(fltk) << problem;
        m_display = fltk.get();
        Application->SetDisplay(std::move(fltk));
    }

    forms::fltk::FltkDisplay* m_display = nullptr;
};

// The average colour of a window's rectangle.
std::array<int, 3> averageColour(const forms::fltk::Picture& picture, int x, int y, int w, int h) {
    std::array<long, 3> sum{};
    for (int row = y; row < y + h; ++row)
        for (int column = x; column < x + w; ++column)
            for (int c = 0; c < 3; ++c) sum[c] += picture.rgb[(static_cast<std::size_t>(row) * picture.width + column) * 3 + c];
    return {int(sum[0] / (w * h)), int(sum[1] / (w * h)), int(sum[2] / (w * h))};
}

TEST_F(MainFormWindowTest, ShowsItsPicturesAtCreation) {
    Application->CreateForm(frmInstall);
    Fl_Window* window = m_display->windowOf(*frmInstall);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->shown());
    EXPECT_EQ(window->w(), 680);
    EXPECT_EQ(window->h(), 474);
    EXPECT_STREQ(window->label(), "Install");
    const forms::fltk::Picture picture = forms::fltk::capture(*window);
    ASSERT_EQ(picture.width, 680);
    // Banner and side picture are the teal pictures, not the grey face of
    // the form, which the content area shows.
    const std::array<int, 3> face = averageColour(picture, 300, 200, 100, 100);
    for (const auto& [x, y, w, h] : {std::array{0, 0, 680, 54}, std::array{0, 60, 150, 400}}) {
        const std::array<int, 3> inPicture = averageColour(picture, x, y, w, h);
        EXPECT_GT(inPicture[2] - inPicture[0], 10) << x << "," << y;  // more blue than red
        EXPECT_NE(inPicture, face);
    }
    EXPECT_EQ(face, (std::array<int, 3>{212, 208, 200}));
}

}  // namespace

#endif  // SETUP_HAVE_FLTK
