#include "mainwindow/MainWindow.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

void expectTexts(const std::vector<std::pair<std::uint64_t, std::string>>& cases) {
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(MainWindow().ConvertSize(bytes), text) << bytes << " bytes";
}

} // namespace

TEST(ConvertSize, GivesEveryWorkedValue) {
    expectTexts({
        {0, "0 Kb"},
        {499, "0 Kb"},
        {12'345, "12 Kb"},
        {499'999, "500 Kb"},
        {500'000, "500 Kb"},
        {500'001, "0.5 Mb"},
        {950'000, "0.9 Mb"},
        {1'234'567, "1.2 Mb"},
        {99'950'000, "99.9 Mb"},
        {123'456'789, "123.5 Mb"},
        {500'000'000, "500 Mb"},
        {500'000'029, "500 Mb"},
        {500'000'030, "0.5 Gb"},
        {600'000'000, "0.6 Gb"},
        {999'994'999, "1 Gb"},
        {1'234'567'890, "1.23 Gb"},
        {1'000'000'000'000, "1000 Gb"},
    });
}

TEST(ConvertSize, ShowsACountAboveHalfAUnitInThatUnit) {
    expectTexts({{600'000, "0.6 Mb"}, {600'000'000, "0.6 Gb"}});
}

TEST(ConvertSize, RoundsExactHalvesAwayFromZero) {
    expectTexts({{500, "1 Kb"}, {2'500, "3 Kb"}, {1'250'000, "1.3 Mb"}});
}
