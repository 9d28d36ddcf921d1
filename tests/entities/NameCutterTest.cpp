#include "phonebook/NameCutter.h"

#include "tests/support/HttpFixtureServer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

CPhonebook::Profile Swiss() {
    return {"",
            "",
            R"(<table border="0" cellpadding="1" cellspacing="0" width="100%">)",
            R"(<td bgcolor="#CCCCCC">)",
            70,
            R"(<td nowrap valign="top" width="100%">)",
            "<br>"};
}

CPhonebook::Profile France() {
    return {"",
            "",
            R"(<table width="480">)",
            R"(<table border="0" cellspacing="0" width="100%" bgcolor="#FFCC00">)",
            80,
            R"(<td valign="top" width="90%"><small><b>)",
            "</b></small>"};
}

std::optional<std::string> Cut(const std::string& page, const CPhonebook::Profile& profile) {
    std::string name = "untouched";
    if (!CutName(page, profile, name)) {
        EXPECT_EQ(name, "untouched");
        return std::nullopt;
    }
    return name;
}

// Table marker, filler so that the row marker starts `distance` characters after the table
// marker's start, then the name between its markers.
std::string Block(const CPhonebook::Profile& p, int distance, const std::string& name) {
    std::string filler(static_cast<std::size_t>(distance) - p.tableMarker.size(), ' ');
    return p.tableMarker + filler + p.rowMarker + "<img>" + p.nameStart + name + p.nameEnd;
}

TEST(NameCutterTest, FixturePagesOfBothDirectories) {
    using testing_support::HttpFixtureServer;
    EXPECT_EQ(Cut(HttpFixtureServer::LoadFixture("directory-swiss.html"), Swiss()),
              "M&uuml;ller Hans");
    // The first French table marker has no row marker near it; the second one has.
    EXPECT_EQ(Cut(HttpFixtureServer::LoadFixture("directory-france.html"), France()),
              "Dupont &Eacute;lise");
    EXPECT_EQ(Cut(HttpFixtureServer::LoadFixture("directory-france.html"), Swiss()), std::nullopt);
}

TEST(NameCutterTest, RowMarkerMustFollowTheTableMarkerClosely) {
    const auto swiss = Swiss();
    EXPECT_EQ(Cut("x" + Block(swiss, 70, "Seventy"), swiss), "Seventy");
    EXPECT_EQ(Cut("x" + Block(swiss, 71, "Seventy-one"), swiss), std::nullopt);
    // A table marker too far from its row marker is skipped and the next one tried.
    EXPECT_EQ(Cut("x" + Block(swiss, 71, "First") + Block(swiss, 70, "Second"), swiss), "Second");
    const auto france = France();
    EXPECT_EQ(Cut("x" + Block(france, 80, "Eighty"), france), "Eighty");
    EXPECT_EQ(Cut("x" + Block(france, 81, "Eighty-one"), france), std::nullopt);
    // A table marker at index 0 is never seen...
    EXPECT_EQ(Cut(Block(swiss, 70, "Start"), swiss), std::nullopt);
    // ...but a second one closer to the same row marker is.
    EXPECT_EQ(Cut(swiss.tableMarker + "  " + Block(swiss, 70, "Again"), swiss), "Again");
    // Markers are case-sensitive.
    std::string upper = "x" + Block(swiss, 70, "Case");
    upper.replace(upper.find("#CCCCCC"), 7, "#cccccc");
    EXPECT_EQ(Cut(upper, swiss), std::nullopt);
}

TEST(NameCutterTest, NameRangeMarkersAreSearchedInOrder) {
    const auto swiss = Swiss();
    const std::string head = "x" + swiss.tableMarker + swiss.rowMarker;
    EXPECT_EQ(Cut(head + "no name start here", swiss), std::nullopt);
    EXPECT_EQ(Cut(head + swiss.nameStart + "no end", swiss), std::nullopt);
    // The name end is searched after the name start, the name start after the row marker.
    EXPECT_EQ(
        Cut("x<br>" + swiss.tableMarker + swiss.rowMarker + "<br>" + swiss.nameStart + "Late<br>",
            swiss),
        "Late");
    EXPECT_EQ(Cut(head + swiss.nameStart + "<br>", swiss), ""); // empty name is found
}

TEST(NameCutterTest, TagsAreStrippedAndALineFeedFails) {
    const auto swiss = Swiss();
    auto page = [&](const std::string& range) { return "x" + Block(swiss, 70, range); };
    EXPECT_EQ(Cut(page("<b>Dupont</b> Jean"), swiss), "Dupont Jean");
    EXPECT_EQ(Cut(page("  <a href=\"/p?x=1\">Du<i>pont</i></a>  \r"), swiss), "  Dupont  \r");
    EXPECT_EQ(Cut(page("Dupont > Jean"), swiss), "Dupont > Jean");
    EXPECT_EQ(Cut(page("A<b>>B"), swiss), "A>B"); // only the first ">" ends the tag
    EXPECT_EQ(Cut(page("A<b<c>B"), swiss), "AB");
    EXPECT_EQ(Cut(page("Unclosed <tag"), swiss), "Unclosed ");
    EXPECT_EQ(Cut(page("Dupont\nJean"), swiss), std::nullopt);
    EXPECT_EQ(Cut(page("Dupont<span\nclass=x>Jean"), swiss), std::nullopt);
    EXPECT_EQ(Cut(page("Dupont\r\n"), swiss), std::nullopt);
    EXPECT_EQ(Cut(page(std::string("Nul\0Byte", 8)), swiss), std::string("Nul\0Byte", 8));
}

} // namespace
