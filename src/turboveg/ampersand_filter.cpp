#include "turboveg/ampersand_filter.h"

#include <algorithm>

namespace tamsel {

namespace {

enum class Ref { Yes, No, NeedMore };

// Whether the "&" at s[pos] begins a character reference or a reference to one
// of the five entities every document has (a package declares no others).
Ref referenceAt(std::string_view s, std::size_t pos, std::size_t& length) {
    std::size_t j = pos + 1;
    if (j == s.size()) return Ref::NeedMore;
    if (s[j] == '#') {
        if (++j == s.size()) return Ref::NeedMore;
        const bool hex = s[j] == 'x';
        if (hex && ++j == s.size()) return Ref::NeedMore;
        const std::size_t digits = j;
        auto isDigit = [hex](char c) {
            return (c >= '0' && c <= '9') ||
                   (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        };
        while (j < s.size() && isDigit(s[j])) ++j;
        if (j == s.size()) return Ref::NeedMore;
        if (j == digits || s[j] != ';') return Ref::No;
        length = j + 1 - pos;
        return Ref::Yes;
    }
    const std::string_view rest = s.substr(j);
    bool mayFollow = false;
    for (std::string_view name : {"amp;", "lt;", "gt;", "quot;", "apos;"}) {
        if (rest.starts_with(name)) {
            length = 1 + name.size();
            return Ref::Yes;
        }
        if (name.starts_with(rest)) mayFollow = true;
    }
    return mayFollow ? Ref::NeedMore : Ref::No;
}

}  // namespace

void AmpersandFilter::feed(std::string_view bytes, bool final, std::string& out) {
    std::string joined;
    std::string_view s = bytes;
    if (!pending_.empty()) {
        joined = std::move(pending_);
        joined.append(bytes);
        pending_.clear();
        s = joined;
    }
    auto holdFrom = [&](std::size_t pos) { pending_.assign(s.substr(pos)); };
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        if (state_ != State::Markup) {
            const std::string_view end = state_ == State::Comment ? "-->"
                                         : state_ == State::CData ? "]]>"
                                                                  : "?>";
            const std::size_t q = s.find(end, i);
            if (q == std::string_view::npos) {
                // The end mark may be cut: keep what could be its beginning.
                const std::size_t keep = final ? 0 : std::min(n - i, end.size() - 1);
                out.append(s.substr(i, n - i - keep));
                holdFrom(n - keep);
                return;
            }
            out.append(s.substr(i, q + end.size() - i));
            i = q + end.size();
            state_ = State::Markup;
            continue;
        }
        std::size_t pos = i;
        while (pos < n && s[pos] != '<' && s[pos] != '&') ++pos;
        out.append(s.substr(i, pos - i));
        if (pos == n) break;
        if (s[pos] == '&') {
            std::size_t length = 0;
            const Ref r = referenceAt(s, pos, length);
            if (r == Ref::NeedMore && !final) return holdFrom(pos);
            if (r == Ref::Yes) {
                out.append(s.substr(pos, length));
                i = pos + length;
            } else {
                out.append("&amp;");
                i = pos + 1;
            }
            continue;
        }
        const std::string_view rest = s.substr(pos);
        struct Opening {
            std::string_view mark;
            State state;
        };
        const Opening openings[] = {
            {"<!--", State::Comment}, {"<![CDATA[", State::CData}, {"<?", State::Instruction}};
        const Opening* found = nullptr;
        bool mayFollow = false;
        for (const Opening& o : openings) {
            if (rest.starts_with(o.mark))
                found = &o;
            else if (o.mark.starts_with(rest))
                mayFollow = true;
        }
        if (!found && mayFollow && !final) return holdFrom(pos);
        if (found) {
            out.append(found->mark);
            i = pos + found->mark.size();
            state_ = found->state;
        } else {
            out.push_back('<');
            i = pos + 1;
        }
    }
}

}  // namespace tamsel
