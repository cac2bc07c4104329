// The published page's story data: every "<" spelled as an escape, so that
// no name a story holds can end the script element it sits in, and read back
// as the same names.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "web_export.h"

TEST(WebPage, EveryAngleBracketIsEscapedAndTheNamesReadBack) {
    WEB_STORY story;
    for (int i = 0; i < 4000; ++i)
        story.FILES.push_back({"Brindle/Assets/Sprites/npc/" + std::string(236, '<') + std::to_string(1000 + i), "x"});
    story.FILES.push_back({"Brindle/Assets/Pages/0 </script><script>alert(1)</script>.seq", "y"});
    const std::string templ = "<title>{{TITLE}}</title><script id=\"story-files\">{{STORY}}</script>";
    std::string page, error;
    ASSERT_TRUE(WEB_PAGE(templ, "A <b>title</b> & more", story, page, error)) << error;
    const size_t from = page.find("{\"files\""), to = page.rfind("</script>");
    ASSERT_NE(from, std::string::npos);
    const std::string data = page.substr(from, to - from);
    EXPECT_EQ(data.find('<'), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("A &lt;b&gt;title&lt;/b&gt; &amp; more"), std::string::npos);
    const nlohmann::json files = nlohmann::json::parse(data)["files"];
    ASSERT_EQ(files.size(), story.FILES.size());
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(files[i][0].get<std::string>(), story.FILES[i].NAME);
}
