#include <gtest/gtest.h>

#include "turboveg/ampersand_filter.h"

namespace tamsel {
namespace {

// The filter's answer must not depend on where the pieces of the file end.
TEST(AmpersandFilter, BareAmpersandsOnlyWhereverThePiecesEnd) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"<a t=\"A & B\">x&y</a>", "<a t=\"A &amp; B\">x&amp;y</a>"},
        {"&amp;&lt;&gt;&quot;&apos;&#38;&#x26;", "&amp;&lt;&gt;&quot;&apos;&#38;&#x26;"},
        // Not references: an unknown name, no ";", no digits.
        {"&T; &am &#; &#x; &#12a;", "&amp;T; &amp;am &amp;#; &amp;#x; &amp;#12a;"},
        {"<!-- a & b --><![CDATA[c & d]]><?pi e & f?>&",
         "<!-- a & b --><![CDATA[c & d]]><?pi e & f?>&amp;"},
        {"<b>&am", "<b>&amp;am"},
    };
    for (const auto& c : cases) {
        const std::string in = c.in;
        for (std::size_t piece : {in.size(), std::size_t{1}, std::size_t{2}, std::size_t{3}}) {
            AmpersandFilter f;
            std::string out;
            for (std::size_t k = 0; k < in.size(); k += piece)
                f.feed(std::string_view(in).substr(k, piece), false, out);
            f.feed({}, true, out);
            EXPECT_EQ(out, c.out) << c.in << " in pieces of " << piece;
        }
    }
}

}  // namespace
}  // namespace tamsel
