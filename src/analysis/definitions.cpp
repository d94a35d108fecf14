#include "analysis/definitions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <string_view>

#include "analysis/twinspan_table.h"
#include "io/safe_file.h"
#include "platform/error.h"
#include "table/frequency.h"
#include "table/table_layout.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

using Op = UnitDefinitions::Op;

[[noreturn]] void refuse(int line, const char* what, std::string_view word) {
    throw DefinitionsError(line, msg("定義ファイルの %1 行目: %2「%3」", line, sj(what), word));
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
    return s;
}

// The delimiters are all below 0x40, so none is ever the second byte of a
// Shift-JIS character and the text can be cut byte by byte.
bool isDelimiter(char c) {
    return static_cast<unsigned char>(c) <= 0x20 || c == '(' || c == ')' || c == '"' || c == '<' ||
           c == '>' || c == '=' || c == ',' || c == ':';
}

bool isKeyword(std::string_view w) {
    return w == "and" || w == "or" || w == "not" || w == "cover" || w == "group" || w == "unit";
}

void checkName(int line, std::string_view name) {
    if (name.empty()) refuse(line, "名前がありません", name);
    if (isKeyword(name) || std::any_of(name.begin(), name.end(), isDelimiter))
        refuse(line, "名前に使えない語か文字です", name);
}

struct Token {
    enum Kind { Word, Open, Close, Text, Compare, End } kind;
    std::string_view text;
};

class FormulaParser {
  public:
    FormulaParser(int line, std::string_view s, const std::map<std::string, std::int32_t>& groups,
                  const std::map<std::string, std::int32_t>& species)
        : line_(line), s_(s), groups_(groups), species_(species) {
        next();
    }

    std::vector<Op> parse() {
        if (tok_.kind == Token::End) refuse(line_, "式がありません", s_);
        orExpr();
        if (tok_.kind != Token::End) refuse(line_, "式の続きが読めません", tok_.text);
        return std::move(ops_);
    }

  private:
    void next() {
        while (pos_ < s_.size() && static_cast<unsigned char>(s_[pos_]) <= 0x20) ++pos_;
        const std::size_t b = pos_;
        if (pos_ >= s_.size()) {
            static const std::string endOfLine = sj("行末");
            tok_ = {Token::End, endOfLine};
            return;
        }
        const char c = s_[pos_];
        if (c == '(' || c == ')') {
            ++pos_;
            tok_ = {c == '(' ? Token::Open : Token::Close, s_.substr(b, 1)};
        } else if (c == '"') {
            const std::size_t e = s_.find('"', pos_ + 1);
            if (e == std::string_view::npos) refuse(line_, "「\"」が閉じていません", s_.substr(b));
            pos_ = e + 1;
            tok_ = {Token::Text, s_.substr(b + 1, e - b - 1)};
        } else if (c == '<' || c == '>' || c == '=') {
            while (pos_ < s_.size() && (s_[pos_] == '<' || s_[pos_] == '>' || s_[pos_] == '='))
                ++pos_;
            tok_ = {Token::Compare, s_.substr(b, pos_ - b)};
        } else {
            while (pos_ < s_.size() && !isDelimiter(s_[pos_])) ++pos_;
            if (pos_ == b) ++pos_;  // a lone ',' or ':'
            tok_ = {Token::Word, s_.substr(b, pos_ - b)};
        }
    }
    bool isWord(const char* w) const { return tok_.kind == Token::Word && tok_.text == w; }

    // operand {word operand}, left to right.
    void chain(const char* word, Op::Kind kind, void (FormulaParser::*operand)()) {
        (this->*operand)();
        while (isWord(word)) {
            next();
            (this->*operand)();
            ops_.push_back({kind});
        }
    }
    void orExpr() { chain("or", Op::Or, &FormulaParser::andExpr); }
    void andExpr() { chain("and", Op::And, &FormulaParser::notExpr); }
    void notExpr() {
        if (isWord("not")) {
            next();
            notExpr();
            ops_.push_back({Op::Not});
            return;
        }
        primary();
    }
    void expect(Token::Kind k, const char* what) {
        if (tok_.kind != k) refuse(line_, what, tok_.text);
        next();
    }
    void primary() {
        if (tok_.kind == Token::Open) {
            next();
            orExpr();
            expect(Token::Close, "「)」がありません");
            return;
        }
        if (isWord("cover")) {
            next();
            expect(Token::Open, "cover の後に「(」がありません");
            if (tok_.kind != Token::Text)
                refuse(line_, "cover には \"種名\" を書きます", tok_.text);
            const std::string name(trimmed(tok_.text));
            const auto sp = species_.find(name);
            if (sp == species_.end()) refuse(line_, "表にない種です", name);
            next();
            expect(Token::Close, "「)」がありません");
            Op op{Op::CoverAbove, sp->second};
            if (tok_.kind != Token::Compare)
                refuse(line_, "比べ方（> >= < <=）がありません", tok_.text);
            if (tok_.text == ">")
                op.kind = Op::CoverAbove;
            else if (tok_.text == ">=")
                op.kind = Op::CoverAtLeast;
            else if (tok_.text == "<")
                op.kind = Op::CoverBelow;
            else if (tok_.text == "<=")
                op.kind = Op::CoverAtMost;
            else
                refuse(line_, "比べ方（> >= < <=）がありません", tok_.text);
            next();
            const std::string_view v = tok_.text;
            auto r = std::from_chars(v.data(), v.data() + v.size(), op.value);
            if (tok_.kind != Token::Word || r.ec != std::errc() || r.ptr != v.data() + v.size() ||
                !std::isfinite(op.value))
                refuse(line_, "被度（%）の数がありません", v);
            next();
            ops_.push_back(op);
            return;
        }
        if (tok_.kind != Token::Word || isKeyword(tok_.text))
            refuse(line_, "群の名前、cover か「(」がありません", tok_.text);
        const auto g = groups_.find(std::string(tok_.text));
        if (g == groups_.end()) refuse(line_, "定義されていない群です", tok_.text);
        ops_.push_back({Op::Group, g->second});
        next();
    }

    int line_;
    std::string_view s_;
    const std::map<std::string, std::int32_t>& groups_;
    const std::map<std::string, std::int32_t>& species_;
    std::size_t pos_ = 0;
    Token tok_{Token::End, {}};
    std::vector<Op> ops_;
};

struct Line {
    int number;
    bool group;
    std::string_view head, body;
};

}  // namespace

UnitDefinitions parseUnitDefinitions(const std::string& text,
                                     const std::vector<std::string>& speciesNames,
                                     const SpeciesPresence& presence) {
    std::map<std::string, std::int32_t> species;
    for (std::size_t u = 0; u < speciesNames.size(); ++u)
        species.emplace(speciesNames[u], static_cast<std::int32_t>(u));  // the first row of a name

    std::vector<Line> lines;
    std::size_t at = 0;
    for (int number = 1; at <= text.size(); ++number) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string_view s(text.data() + at, end - at);
        at = end + 1;
        // A comment runs from '#' outside quotes to the end of the line.
        bool quoted = false;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '"') quoted = !quoted;
            if (s[i] == '#' && !quoted) {
                s = s.substr(0, i);
                break;
            }
        }
        s = trimmed(s);
        if (s.empty()) continue;
        std::size_t w = 0;
        while (w < s.size() && static_cast<unsigned char>(s[w]) > 0x20) ++w;
        const std::string_view keyword = s.substr(0, w);
        if (keyword != "group" && keyword != "unit")
            refuse(number, "行は group か unit で始めます", keyword);
        const std::size_t colon = s.find(':');
        if (colon == std::string_view::npos) refuse(number, "「:」がありません", s);
        lines.push_back({number, keyword == "group", trimmed(s.substr(w, colon - w)),
                         trimmed(s.substr(colon + 1))});
    }

    UnitDefinitions d;
    std::map<std::string, std::int32_t> groups;
    for (const Line& l : lines) {
        if (!l.group) continue;
        UnitDefinitions::Group g;
        g.line = l.number;
        std::string_view name = l.head;
        if (const std::size_t open = name.find('('); open != std::string_view::npos) {
            const std::string_view given = name.substr(open);
            name = trimmed(name.substr(0, open));
            std::string_view inner = given.size() >= 2 && given.back() == ')'
                                         ? trimmed(given.substr(1, given.size() - 2))
                                         : std::string_view();
            const bool isM = inner.size() > 1 && inner.front() == 'm' &&
                             trimmed(inner.substr(1)).starts_with('=');
            if (!isM) refuse(l.number, "m は (m=2) のように書きます", given);
            inner = trimmed(trimmed(inner.substr(1)).substr(1));
            auto r = std::from_chars(inner.data(), inner.data() + inner.size(), g.m);
            if (r.ec != std::errc() || r.ptr != inner.data() + inner.size())
                refuse(l.number, "m は (m=2) のように書きます", given);
            g.mGiven = true;
        }
        checkName(l.number, name);
        g.name = std::string(name);
        if (!groups.emplace(g.name, static_cast<std::int32_t>(d.groups.size())).second)
            refuse(l.number, "同じ名前の群がもうあります", name);
        std::string_view rest = l.body;
        while (true) {
            const std::size_t comma = rest.find(',');
            const std::string_view item = trimmed(rest.substr(0, comma));
            if (item.empty()) refuse(l.number, "種名がありません", l.body);
            const auto sp = species.find(std::string(item));
            if (sp == species.end()) refuse(l.number, "表にない種です", item);
            g.species.push_back(sp->second);
            if (comma == std::string_view::npos) break;
            rest = rest.substr(comma + 1);
        }
        std::sort(g.species.begin(), g.species.end());
        g.species.erase(std::unique(g.species.begin(), g.species.end()), g.species.end());
        const auto k = static_cast<std::int32_t>(g.species.size());
        if (g.mGiven && (g.m < 1 || g.m > k))
            refuse(l.number, "m は 1 から群の種の数までです", std::to_string(g.m));
        g.fit = fitGroup(presence, g.species);
        if (!g.mGiven) g.m = g.fit.m;
        d.groups.push_back(std::move(g));
    }
    std::map<std::string, std::int32_t> units;
    for (const Line& l : lines) {
        if (l.group) continue;
        checkName(l.number, l.head);
        UnitDefinitions::Unit u;
        u.name = std::string(l.head);
        u.line = l.number;
        if (!units.emplace(u.name, 0).second)
            refuse(l.number, "同じ名前の単位がもうあります", l.head);
        u.formula = FormulaParser(l.number, l.body, groups, species).parse();
        d.units.push_back(std::move(u));
    }
    return d;
}

UnitEvaluator::UnitEvaluator(const UnitDefinitions& d, std::int32_t species)
    : d_(d),
      groupsOf_(static_cast<std::size_t>(std::max(species, 0))),
      cover_(groupsOf_.size(), 0.0),
      held_(d.groups.size(), 0) {
    for (std::size_t g = 0; g < d.groups.size(); ++g)
        for (std::int32_t s : d.groups[g].species)
            groupsOf_[s].push_back(static_cast<std::int32_t>(g));
}

void UnitEvaluator::releve(const TwinspanMatrix& cover, std::int32_t r, std::vector<char>& met) {
    const std::int64_t b = cover.start[r], e = cover.start[r + 1];
    std::fill(held_.begin(), held_.end(), 0);
    for (std::int64_t x = b; x < e; ++x) {
        const std::int32_t s = cover.index[x];
        if (cover.value[x] <= 0) continue;
        if (cover_[s] == 0)
            for (std::int32_t g : groupsOf_[s]) ++held_[g];
        cover_[s] += cover.value[x];
    }
    met.assign(d_.units.size(), 0);
    for (std::size_t u = 0; u < d_.units.size(); ++u) {
        stack_.clear();
        for (const Op& op : d_.units[u].formula) {
            switch (op.kind) {
                case Op::Group:
                    stack_.push_back(held_[op.index] >= d_.groups[op.index].m);
                    break;
                case Op::CoverAbove:
                    stack_.push_back(cover_[op.index] > op.value);
                    break;
                case Op::CoverAtLeast:
                    stack_.push_back(cover_[op.index] >= op.value);
                    break;
                case Op::CoverBelow:
                    stack_.push_back(cover_[op.index] < op.value);
                    break;
                case Op::CoverAtMost:
                    stack_.push_back(cover_[op.index] <= op.value);
                    break;
                case Op::Not:
                    stack_.back() = !stack_.back();
                    break;
                case Op::And:
                case Op::Or: {
                    const char rhs = stack_.back();
                    stack_.pop_back();
                    stack_.back() =
                        op.kind == Op::And ? (stack_.back() && rhs) : (stack_.back() || rhs);
                    break;
                }
            }
        }
        met[u] = stack_.back();
    }
    for (std::int64_t x = b; x < e; ++x) cover_[cover.index[x]] = 0;
}

UnitAssignment assignUnits(const UnitDefinitions& d, const TwinspanMatrix& cover) {
    UnitAssignment a;
    a.unitOf.assign(static_cast<std::size_t>(cover.releves()), -1);
    a.counts.assign(d.units.size(), 0);
    UnitEvaluator eval(d, cover.species);
    std::vector<char> met;
    for (std::int32_t r = 0; r < cover.releves(); ++r) {
        eval.releve(cover, r, met);
        std::vector<std::int32_t> meets;
        for (std::size_t u = 0; u < met.size(); ++u)
            if (met[u]) meets.push_back(static_cast<std::int32_t>(u));
        if (meets.empty()) continue;
        a.unitOf[r] = meets.front();
        ++a.counts[meets.front()];
        if (meets.size() > 1) a.several.push_back({r, std::move(meets)});
    }
    return a;
}

namespace {

// The report for the file (words the command line's readers parse) and for the
// window (Japanese), with the same fields in the same order.
std::string unitsReport(const UnitDefinitions& d, const UnitAssignment& a,
                        const std::vector<std::string>& releveNames, std::int32_t unassigned,
                        bool japanese) {
    std::string text;
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    for (const auto& g : d.groups) {
        // The relevés holding 0 .. k of the species, as observed and as expected.
        std::string observed, expected;
        for (std::size_t c = 0; c < g.fit.observed.size(); ++c) {
            char buf[32];
            auto r = std::to_chars(buf, buf + sizeof buf, g.fit.expected[c],
                                   std::chars_format::fixed, 6);
            observed += (c ? "," : "") + std::to_string(g.fit.observed[c]);
            expected += (c ? "," : "") + std::string(buf, r.ptr);
        }
        line(japanese ? msg("群 %1: 種 %2、m %3%4、0～%2 種を持つ測定 %5、期待値 %6", g.name,
                            g.species.size(), g.m, g.mGiven ? sj("（指定）") : std::string(),
                            observed, expected)
                      : "group " + g.name + " k " + std::to_string(g.species.size()) + " m " +
                            std::to_string(g.m) + (g.mGiven ? " given" : "") + " observed " +
                            observed + " expected " + expected);
    }
    for (std::size_t u = 0; u < d.units.size(); ++u)
        line(japanese ? msg("単位 %1: %2 測定", d.units[u].name, a.counts[u])
                      : "unit " + d.units[u].name + " " + std::to_string(a.counts[u]));
    line(japanese ? msg("どの単位にも入らない: %1 測定", unassigned)
                  : "unassigned " + std::to_string(unassigned));
    for (const auto& [r, meets] : a.several) {
        std::string s = japanese ? msg("複数の単位に当たる %1:", releveNames[r])
                                 : "several " + releveNames[r] + ":";
        for (std::int32_t u : meets) s += " " + d.units[u].name;
        line(s);
    }
    return text;
}

}  // namespace

std::string readDefinitions(const std::string& path) {
    std::string text = readWholeFile(path);
    if (text.starts_with("\xEF\xBB\xBF")) {
        auto converted = fromUtf8Strict(std::string_view(text).substr(3));
        if (!converted)
            throw Error(msg("定義ファイル %1 に Shift-JIS にない文字があります", fromUtf8(path)));
        text = std::move(*converted);
    }
    return text;
}

UnitsReport assignUnitsReported(TableState& t, Progress& progress, const std::string& path) {
    using L = TableLayout;
    const std::string text = readDefinitions(path);
    const TablePresence tp = tablePresence(t);
    const SpeciesPresence presence(tp.cover);
    const UnitDefinitions d = parseUnitDefinitions(text, tp.names, presence);

    // Every relevé column in use is judged, one without species as holding none.
    const std::vector<char> inUse = releveColumnsInUse(t, tp.cols);
    TwinspanMatrix judged;
    judged.species = tp.cover.species;
    std::vector<std::int32_t> colOf;
    std::vector<std::pair<std::int32_t, double>> entries;
    std::size_t k = 0;
    for (std::int32_t j = 1; j <= t.model.releveCount(); ++j) {
        if (!inUse[j]) continue;
        entries.clear();
        if (k < tp.cols.size() && tp.cols[k] == j) {
            const auto r = static_cast<std::int32_t>(k++);
            for (std::int64_t x = tp.cover.start[r]; x < tp.cover.start[r + 1]; ++x)
                entries.push_back({tp.cover.index[x], tp.cover.value[x]});
        }
        judged.addReleve(entries);
        colOf.push_back(j);
    }
    const UnitAssignment a = assignUnits(d, judged);

    std::vector<std::vector<std::int32_t>> groups(d.units.size());
    std::vector<std::int32_t> rest;
    for (std::size_t r = 0; r < colOf.size(); ++r)
        (a.unitOf[r] >= 0 ? groups[a.unitOf[r]] : rest).push_back(colOf[r]);
    std::vector<std::string> labels;
    for (std::int32_t j : colOf)
        labels.push_back(trimControl(t.model.cell(L::releveCol(j), L::FirstItemRow)));
    const ColumnArrangement arranged = arrangeReleveGroups(t, groups, rest);
    recount(t, progress);
    blankSeparatorCounts(t, arranged);
    for (std::size_t r = 0; r < labels.size(); ++r)
        if (labels[r].empty()) labels[r] = std::to_string(arranged.newPos[colOf[r]]);
    const auto unassigned = static_cast<std::int32_t>(rest.size());
    return {unitsReport(d, a, labels, unassigned, false),
            unitsReport(d, a, labels, unassigned, true)};
}

std::string assignUnitsFromFile(TableState& t, Progress& progress, const std::string& path) {
    return assignUnitsReported(t, progress, path).report;
}

}  // namespace tamsel
