// Writes the sample data set into a folder: sample.rli + sample.rld (40 relevés of
// Japanese beech, deciduous oak and evergreen broad-leaved forest), the synonym
// dictionary sample.dic and the settings file sample.ini. The output depends on
// nothing but this program: the random numbers come from a fixed seed.
// Usage: make-sample [FOLDER]
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/data_file_pair.h"
#include "support/data_file_writer.h"
#include "table/table_state.h"
#include "text/sjis.h"

namespace {

using tamsel::sj;
using tamsel::testing::ReleveIn;
using tamsel::testing::SpeciesIn;

// How a species grows, which decides the layers it is found in.
enum class Form { Tree, Shrub, Herb, Liana, Bamboo, Moss };

struct PoolSpecies {
    const char* name;  // UTF-8, standard Japanese name
    Form form;
    double frequency;  // share of the stand's relevés it occurs in
};

struct Site {
    const char* name;  // at most 4 kanji: 8 bytes
    double lat, lon;
    int altLow, altHigh;
    const char* geology;
};

// Layer indices in the record order T1 T2 S1 S2 H1 H2 M.
enum Layer { T1, T2, S1, S2, H1, H2, M };

class Random {
  public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}
    // Integers in [lo, hi] and reals in [0, 1), from the raw engine so that every
    // standard library gives the same numbers.
    int between(int lo, int hi) {
        return lo + static_cast<int>(engine_() % static_cast<std::uint32_t>(hi - lo + 1));
    }
    double unit() { return static_cast<double>(engine_()) / 4294967296.0; }
    bool chance(double p) { return unit() < p; }
    template <typename T, std::size_t N>
    const T& pick(const T (&items)[N]) {
        return items[between(0, static_cast<int>(N) - 1)];
    }

  private:
    std::mt19937 engine_;
};

// ---- the species pools of the three stand types

const PoolSpecies beechPool[] = {
    {"ブナ", Form::Tree, 1.0},
    {"ミズナラ", Form::Tree, 0.4},
    {"ハウチワカエデ", Form::Tree, 0.6},
    {"イタヤカエデ", Form::Tree, 0.4},
    {"ホオノキ", Form::Tree, 0.45},
    {"トチノキ", Form::Tree, 0.2},
    {"ナナカマド", Form::Tree, 0.3},
    {"コシアブラ", Form::Tree, 0.5},
    {"ハリギリ", Form::Tree, 0.25},
    {"ミズキ", Form::Tree, 0.25},
    {"アズキナシ", Form::Tree, 0.2},
    {"ウワミズザクラ", Form::Tree, 0.3},
    {"ウリハダカエデ", Form::Tree, 0.3},
    {"リョウブ", Form::Tree, 0.35},
    {"タムシバ", Form::Shrub, 0.4},
    {"オオカメノキ", Form::Shrub, 0.6},
    {"オオバクロモジ", Form::Shrub, 0.55},
    {"ヒメアオキ", Form::Shrub, 0.4},
    {"ハイイヌガヤ", Form::Shrub, 0.45},
    {"ユキツバキ", Form::Shrub, 0.3},
    {"マルバマンサク", Form::Shrub, 0.35},
    {"ヒメモチ", Form::Shrub, 0.3},
    {"ツルシキミ", Form::Shrub, 0.35},
    {"ハイイヌツゲ", Form::Shrub, 0.3},
    {"チシマザサ", Form::Bamboo, 0.85},
    {"ツルアジサイ", Form::Liana, 0.4},
    {"イワガラミ", Form::Liana, 0.3},
    {"ツタウルシ", Form::Liana, 0.3},
    {"ヤマソテツ", Form::Herb, 0.3},
    {"シノブカグマ", Form::Herb, 0.35},
    {"オシダ", Form::Herb, 0.3},
    {"シラネワラビ", Form::Herb, 0.3},
    {"ツクバネソウ", Form::Herb, 0.35},
    {"マイヅルソウ", Form::Herb, 0.5},
    {"ツバメオモト", Form::Herb, 0.3},
    {"ユキザサ", Form::Herb, 0.35},
    {"エンレイソウ", Form::Herb, 0.25},
    {"タケシマラン", Form::Herb, 0.3},
    {"ミヤマカタバミ", Form::Herb, 0.3},
    {"イワウチワ", Form::Herb, 0.3},
    {"オクモミジハグマ", Form::Herb, 0.25},
    {"チゴユリ", Form::Herb, 0.2},
    {"コツボゴケ", Form::Moss, 0.3},
};

const PoolSpecies oakPool[] = {
    {"コナラ", Form::Tree, 1.0},
    {"ミズナラ", Form::Tree, 1.0},
    {"クリ", Form::Tree, 0.6},
    {"アカシデ", Form::Tree, 0.4},
    {"イヌシデ", Form::Tree, 0.45},
    {"ヤマザクラ", Form::Tree, 0.4},
    {"エゴノキ", Form::Tree, 0.5},
    {"リョウブ", Form::Tree, 0.5},
    {"アオハダ", Form::Tree, 0.3},
    {"コシアブラ", Form::Tree, 0.4},
    {"タカノツメ", Form::Tree, 0.3},
    {"マルバアオダモ", Form::Tree, 0.35},
    {"ウリカエデ", Form::Tree, 0.25},
    {"ウワミズザクラ", Form::Tree, 0.3},
    {"ホオノキ", Form::Tree, 0.3},
    {"ミズキ", Form::Tree, 0.25},
    {"アカマツ", Form::Tree, 0.25},
    {"カマツカ", Form::Shrub, 0.3},
    {"ネジキ", Form::Shrub, 0.35},
    {"ヤマツツジ", Form::Shrub, 0.6},
    {"ミツバツツジ", Form::Shrub, 0.35},
    {"ガマズミ", Form::Shrub, 0.5},
    {"コバノガマズミ", Form::Shrub, 0.45},
    {"ムラサキシキブ", Form::Shrub, 0.5},
    {"ヤマウルシ", Form::Shrub, 0.55},
    {"イヌツゲ", Form::Shrub, 0.4},
    {"ソヨゴ", Form::Shrub, 0.3},
    {"ヒサカキ", Form::Shrub, 0.4},
    {"ウグイスカグラ", Form::Shrub, 0.3},
    {"クロモジ", Form::Shrub, 0.4},
    {"アブラチャン", Form::Shrub, 0.25},
    {"ニシキギ", Form::Shrub, 0.2},
    {"ヤマコウバシ", Form::Shrub, 0.2},
    {"アズマネザサ", Form::Bamboo, 0.5},
    {"ミヤコザサ", Form::Bamboo, 0.3},
    {"サルトリイバラ", Form::Liana, 0.55},
    {"ツタウルシ", Form::Liana, 0.35},
    {"ミツバアケビ", Form::Liana, 0.4},
    {"アケビ", Form::Liana, 0.25},
    {"フジ", Form::Liana, 0.3},
    {"ツルウメモドキ", Form::Liana, 0.25},
    {"ノガリヤス", Form::Herb, 0.25},
    {"ヒカゲスゲ", Form::Herb, 0.4},
    {"タガネソウ", Form::Herb, 0.3},
    {"シラヤマギク", Form::Herb, 0.35},
    {"オクモミジハグマ", Form::Herb, 0.3},
    {"チゴユリ", Form::Herb, 0.45},
    {"ホウチャクソウ", Form::Herb, 0.25},
    {"ヤマユリ", Form::Herb, 0.15},
    {"コウヤボウキ", Form::Herb, 0.4},
    {"ナガバノコウヤボウキ", Form::Herb, 0.3},
    {"ワラビ", Form::Herb, 0.2},
    {"ベニシダ", Form::Herb, 0.3},
    {"シシガシラ", Form::Herb, 0.2},
    {"ヤマジノホトトギス", Form::Herb, 0.2},
    {"ハイゴケ", Form::Moss, 0.2},
};

const PoolSpecies evergreenPool[] = {
    {"スダジイ", Form::Tree, 1.0},         {"タブノキ", Form::Tree, 1.0},
    {"アラカシ", Form::Tree, 1.0},         {"ウラジロガシ", Form::Tree, 0.25},
    {"シラカシ", Form::Tree, 0.2},         {"アカガシ", Form::Tree, 0.2},
    {"ヤブニッケイ", Form::Tree, 0.6},     {"シロダモ", Form::Tree, 0.6},
    {"モチノキ", Form::Tree, 0.3},         {"イスノキ", Form::Tree, 0.25},
    {"ヤマモモ", Form::Tree, 0.25},        {"サカキ", Form::Tree, 0.55},
    {"ヤブツバキ", Form::Shrub, 0.85},     {"ヒサカキ", Form::Shrub, 0.7},
    {"ネズミモチ", Form::Shrub, 0.35},     {"カクレミノ", Form::Shrub, 0.4},
    {"ヤツデ", Form::Shrub, 0.3},          {"アオキ", Form::Shrub, 0.55},
    {"マンリョウ", Form::Shrub, 0.5},      {"ヤブコウジ", Form::Shrub, 0.45},
    {"カラタチバナ", Form::Shrub, 0.2},    {"トベラ", Form::Shrub, 0.2},
    {"イヌビワ", Form::Shrub, 0.3},        {"シキミ", Form::Shrub, 0.25},
    {"テイカカズラ", Form::Liana, 0.8},    {"キヅタ", Form::Liana, 0.5},
    {"サネカズラ", Form::Liana, 0.2},      {"ベニシダ", Form::Herb, 0.45},
    {"ヤブラン", Form::Herb, 0.5},         {"ジャノヒゲ", Form::Herb, 0.45},
    {"オオバジャノヒゲ", Form::Herb, 0.2}, {"イノデ", Form::Herb, 0.25},
    {"ホソバカナワラビ", Form::Herb, 0.3}, {"コバノチョウチンゴケ", Form::Moss, 0.15},
};

const Site beechSites[] = {
    {"白神山地", 40.47, 140.12, 500, 1000, "花崗"}, {"八甲田", 40.65, 140.88, 700, 1200, "安山"},
    {"鳥海山", 39.10, 140.05, 600, 1150, "安山"},   {"月山", 38.55, 140.02, 700, 1300, "安山"},
    {"苗場山", 36.85, 138.70, 900, 1450, "安山"},   {"大山", 35.37, 133.55, 800, 1250, "安山"},
    {"石鎚山", 33.77, 133.12, 1100, 1500, "砂岩"},
};

const Site oakSites[] = {
    {"奥多摩", 35.80, 139.10, 500, 1000, "砂岩"}, {"秩父", 35.95, 139.05, 400, 950, "頁岩"},
    {"筑波山", 36.22, 140.10, 250, 800, "花崗"},  {"高尾山", 35.62, 139.24, 200, 550, "頁岩"},
    {"丹沢", 35.47, 139.15, 400, 1000, "凝灰"},   {"比叡山", 35.06, 135.83, 300, 800, "花崗"},
    {"青葉山", 38.25, 140.85, 100, 300, "凝灰"},
};

const Site evergreenSites[] = {
    {"春日山", 34.68, 135.85, 200, 450, "花崗"}, {"綾", 32.00, 131.20, 200, 600, "砂岩"},
    {"足摺岬", 32.72, 133.02, 20, 250, "花崗"},  {"室戸岬", 33.25, 134.17, 20, 200, "砂岩"},
    {"屋久島", 30.35, 130.50, 50, 500, "花崗"},  {"清澄山", 35.15, 140.15, 150, 350, "砂岩"},
    {"鎌倉", 35.32, 139.55, 30, 120, "凝灰"},
};

// Names that one of the surveyors wrote in the older or local form; the sample
// dictionary maps them back.
const std::map<std::string, std::string> localNames = {
    {"オオカメノキ", "ムシカリ"}, {"ミズナラ", "オオナラ"}, {"ハウチワカエデ", "メイゲツカエデ"},
    {"タブノキ", "イヌグス"},     {"ヤブツバキ", "ツバキ"},
};

// ---- cover-abundance texts (two characters per layer)

const char* const dominantCover[] = {"44", "45", "55", "54", "43", "4 "};
const char* const moderateCover[] = {"22", "12", "23", "33", "11", "21", "2 ", "3 "};
const char* const minorCover[] = {"+ ", "+ ", "+ ", "+2", "r ", "11", "12", "1 ", "+1"};
const char* const seedlingCover[] = {"+ ", "+ ", "r ", "+2", "11"};
const char* const herbCover[] = {"+ ", "+ ", "+2", "11", "12", "r ", "22", " 1", "+ ", "* ", "+3"};
const char* const mossCover[] = {"+ ", "12", "22", "+2", "* "};

enum class StandType { Beech, Oak, Evergreen };

struct Occurrence {
    std::string name;  // UTF-8
    std::array<std::string, 7> layers;
    int firstLayer() const {
        for (int k = 0; k < 7; ++k)
            if (!layers[k].empty()) return k;
        return 7;
    }
};

struct Stand {
    StandType type;
    const Site* site;
    std::string dominant;  // the tree dominating T1
    int altitude;
};

// The layers and cover texts of one species in one relevé.
Occurrence place(Random& rnd, const PoolSpecies& s, const Stand& st) {
    Occurrence o;
    o.name = s.name;
    auto put = [&](int layer, const char* text) { o.layers[layer] = text; };
    bool dominant = st.dominant == s.name;
    switch (s.form) {
        case Form::Tree:
            if (dominant) {
                put(T1, rnd.pick(dominantCover));
                if (rnd.chance(0.5)) put(T2, rnd.pick(moderateCover));
                if (rnd.chance(0.3)) put(S1, rnd.pick(minorCover));
                if (rnd.chance(0.6)) put(H1, rnd.pick(seedlingCover));
            } else {
                double u = rnd.unit();
                int main = u < 0.25 ? T1 : u < 0.6 ? T2 : u < 0.85 ? S1 : S2;
                put(main, main == T1 ? rnd.pick(moderateCover) : rnd.pick(minorCover));
                if (rnd.chance(0.4)) put(H1, rnd.pick(seedlingCover));
            }
            break;
        case Form::Shrub:
            put(rnd.chance(0.5) ? S1 : S2, rnd.pick(minorCover));
            if (rnd.chance(0.25)) put(S2, rnd.pick(moderateCover));
            if (rnd.chance(0.3)) put(H1, rnd.pick(seedlingCover));
            break;
        case Form::Bamboo:
            // Dwarf bamboo forms a dense layer of its own below the trees.
            put(st.type == StandType::Beech ? S2 : H1, rnd.pick(dominantCover));
            if (rnd.chance(0.3)) put(H1, rnd.pick(moderateCover));
            break;
        case Form::Liana:
            put(rnd.chance(0.4) ? T2 : S1, rnd.pick(minorCover));
            if (rnd.chance(0.5)) put(H1, rnd.pick(herbCover));
            break;
        case Form::Herb:
            put(rnd.chance(0.85) ? H1 : H2, rnd.pick(herbCover));
            break;
        case Form::Moss:
            put(M, rnd.pick(mossCover));
            break;
    }
    return o;
}

// The frequency of a species in one stand, after the stand's dominant trees.
double frequencyIn(const PoolSpecies& s, const Stand& st) {
    std::string n = s.name;
    if (st.type == StandType::Oak) {
        // Quercus crispula replaces Q. serrata above about 700 m.
        if (n == "コナラ") return st.dominant == n ? 1.0 : 0.3;
        if (n == "ミズナラ") return st.dominant == n ? 1.0 : 0.05;
    }
    if (st.type == StandType::Evergreen && (n == "スダジイ" || n == "タブノキ" || n == "アラカシ"))
        return st.dominant == n ? 1.0 : 0.35;
    return s.frequency;
}

template <std::size_t N>
std::vector<Occurrence> speciesOf(Random& rnd, const PoolSpecies (&pool)[N], const Stand& st,
                                  double richness) {
    std::vector<Occurrence> out;
    for (const PoolSpecies& s : pool) {
        double f = frequencyIn(s, st);
        if (f < 1.0) f = std::min(0.95, f * richness);
        if (rnd.chance(f)) out.push_back(place(rnd, s, st));
    }
    // Field sheets list the species from the tree layer down.
    std::stable_sort(out.begin(), out.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.firstLayer() < b.firstLayer();
    });
    return out;
}

std::string tenths(int v) {
    return std::to_string(v / 10) + (v % 10 ? "." + std::to_string(v % 10) : "");
}

// Geographic grid code: first-order mesh (4 digits), then the second-order row
// and column of the 8 x 8 division.
std::string gridCode(double lat, double lon) {
    int latDeg = static_cast<int>(lat * 1.5), lonDeg = static_cast<int>(lon) - 100;
    int row = static_cast<int>((lat * 1.5 - latDeg) * 8);
    int col = static_cast<int>((lon - static_cast<int>(lon)) * 8);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d-%d%d", latDeg, lonDeg, row, col);
    return buf;
}

std::string dms(double deg) {
    int d = static_cast<int>(deg);
    int m = static_cast<int>((deg - d) * 60);
    int s = static_cast<int>(((deg - d) * 60 - m) * 60);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d%02d%02d", d, m, s);
    return buf;
}

struct Made {
    ReleveIn record;
    std::vector<Occurrence> species;  // UTF-8 names as written in the file
};

Made makeReleve(Random& rnd, StandType type, int serial, int year, bool localSurveyor) {
    const Site* sites = type == StandType::Beech ? beechSites
                        : type == StandType::Oak ? oakSites
                                                 : evergreenSites;
    const Site& site = sites[(serial - 1) % 7];
    Stand st{type, &site, "", rnd.between(site.altLow, site.altHigh) / 10 * 10};
    switch (type) {
        case StandType::Beech:
            st.dominant = "ブナ";
            break;
        case StandType::Oak:
            st.dominant = st.altitude >= 700 ? "ミズナラ" : "コナラ";
            break;
        case StandType::Evergreen: {
            static const char* const coast[] = {"タブノキ", "スダジイ"};
            static const char* const inland[] = {"スダジイ", "アラカシ", "スダジイ"};
            st.dominant = st.altitude < 150 ? rnd.pick(coast) : rnd.pick(inland);
            if (localSurveyor)
                st.dominant = "タブノキ";  // that surveyor worked the Machilus stands
            break;
        }
    }
    // A few plots are much richer than the rest (long species chains).
    double richness = serial % 6 == 0 ? 2.4 : 0.8 + 0.6 * rnd.unit();
    if (type == StandType::Oak && serial == 12) richness = 4.0;  // an old coppice, very rich
    std::vector<Occurrence> species =
        type == StandType::Beech ? speciesOf(rnd, beechPool, st, richness)
        : type == StandType::Oak ? speciesOf(rnd, oakPool, st, richness)
                                 : speciesOf(rnd, evergreenPool, st, richness);
    if (localSurveyor)
        for (Occurrence& o : species) {
            auto it = localNames.find(o.name);
            if (it != localNames.end()) o.name = it->second;
        }

    Made m;
    ReleveIn& r = m.record;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%03d", year % 100, serial);
    r.releveNumber = buf;
    r.siteName = sj(site.name);
    int month = rnd.between(6, 9);
    int day = rnd.between(1, 28);
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", year, month, day);
    r.surveyDate = buf;
    double lat = site.lat + (rnd.unit() - 0.5) * 0.08, lon = site.lon + (rnd.unit() - 0.5) * 0.08;
    r.latitude = dms(lat);
    r.longitude = dms(lon);
    r.gridCode = gridCode(lat, lon);

    static const char* const aspects[] = {"N",  "NE",   "E",    "SE",   "S",    "SW",  "W",
                                          "NW", "N30E", "N45W", "S20E", "S60W", "NNE", "ESE"};
    static const char* const landforms[] = {"尾根", "斜面", "斜面", "山腹", "谷", "台地"};
    static const char* const micro[] = {"凸型", "凹型", "平衡", "凸型", "平衡"};
    static const char* const soils[] = {"BD", "BD", "BDd", "BC", "BE", "BB"};
    static const char* const areas[] = {"400", "400", "225", "300", "100", "200"};
    r.fours = {std::to_string(st.altitude),
               rnd.pick(aspects),
               std::to_string(rnd.between(3, 38)),
               sj(rnd.pick(landforms)),
               sj(rnd.pick(micro)),
               sj(site.geology),
               rnd.pick(soils),
               rnd.pick(areas)};

    // Heights (tenths of a metre) and covers of the layers that hold species.
    // Tree layers in whole metres, the lower layers in tenths.
    int topHeight = type == StandType::Beech ? rnd.between(18, 28)
                    : type == StandType::Oak ? rnd.between(12, 20)
                                             : rnd.between(12, 22);
    const int heightLow[7] = {topHeight * 10, 70, 30, 10, 4, 1, 0};
    const int heightHigh[7] = {topHeight * 10, 120, 60, 20, 10, 3, 1};
    const int coverLow[7] = {75, 15, 10, 10, 10, 5, 2};
    const int coverHigh[7] = {95, 50, 40, 60, 90, 20, 20};
    for (int k = 0; k < 7; ++k) {
        bool used = std::any_of(species.begin(), species.end(),
                                [k](const Occurrence& o) { return !o.layers[k].empty(); });
        if (!used) continue;
        int height = rnd.between(heightLow[k], heightHigh[k]);
        if (k <= T2) height = height / 10 * 10;
        r.heights[k] = k == M ? "0.05" : tenths(height);
        int cover = rnd.between(coverLow[k], coverHigh[k]);
        if (k == S2 && type == StandType::Beech) cover = rnd.between(60, 95);  // dwarf bamboo
        r.covers[k] = std::to_string(cover);
    }
    r.coverScale = "5";
    r.coverNotation = "2";
    for (const Occurrence& o : species) {
        std::string text;
        for (const std::string& l : o.layers) text += l.empty() ? "  " : l;
        r.species.push_back({sj(o.name), text});
    }
    m.species = std::move(species);
    return m;
}

std::vector<Made> makeAll() {
    Random rnd(19980721);
    std::vector<Made> out;
    // Relevés 4, 9 and 13 of each stand type come from the surveyor who writes
    // older names; one beech relevé has its dwarf bamboo under the Latin name.
    auto local = [](int serial) { return serial == 4 || serial == 9 || serial == 13; };
    for (int k = 1; k <= 14; ++k)
        out.push_back(makeReleve(rnd, StandType::Beech, k, 1998, local(k)));
    bool latin = false;
    for (std::size_t n = 6; n < out.size() && !latin; ++n)
        for (std::size_t s = 0; s < out[n].species.size(); ++s)
            if (out[n].species[s].name == "チシマザサ") {
                out[n].species[s].name = "Sasa kurilensis";
                out[n].record.species[s].name = "Sasa kurilensis";
                latin = true;
            }
    for (int k = 1; k <= 14; ++k) out.push_back(makeReleve(rnd, StandType::Oak, k, 1999, local(k)));
    for (int k = 1; k <= 12; ++k)
        out.push_back(makeReleve(rnd, StandType::Evergreen, k, 2000, local(k)));
    return out;
}

// Lines of Shift-JIS text with the CR LF line ends of the system's own files.
void writeLines(const std::filesystem::path& path, const std::vector<std::string>& sjisLines) {
    std::string bytes;
    for (const std::string& l : sjisLines) bytes += l + "\r\n";
    tamsel::testing::writeBytes(path.string(), bytes);
}

void writeDictionary(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    for (const auto& [standard, local] : localNames) lines.push_back(sj(local + "," + standard));
    lines.push_back(sj("sasa kurilensis,チシマザサ"));
    writeLines(path, lines);
}

// The window's default captions and states, a start folder and the dictionary.
void writeSettings(const std::filesystem::path& path) {
    auto boxes = tamsel::defaultPrintItemBoxes();
    std::vector<std::string> lines = {sj("森林群落組成表（ブナ林・ナラ林・常緑広葉樹林）"),
                                      "  " + boxes[1].caption};
    for (int n = 2; n <= tamsel::PrintItemCount; ++n)
        lines.push_back(std::string(boxes[n].enabled ? "1" : "0") + " " + boxes[n].caption);
    lines.push_back("#D ./sample.rli");
    lines.push_back("sample.dic");
    writeLines(path, lines);
}

// Reads every record back and compares it with what was meant.
bool verify(const std::string& rli, const std::vector<Made>& made) {
    tamsel::DataFilePair p;
    tamsel::openDataFilesAt(p, rli);
    tamsel::DataFilesScope closer(p);
    if (p.LastRecord != static_cast<std::int32_t>(made.size())) return false;
    for (std::size_t n = 1; n <= made.size(); ++n) {
        const Made& m = made[n - 1];
        if (!tamsel::ReadReleve(p, static_cast<std::int32_t>(n))) return false;
        if (p.PlantSetCount != static_cast<std::int32_t>(m.species.size())) return false;
        for (std::size_t k = 1; k <= m.species.size(); ++k) {
            if (tamsel::trimControl(p.PlantSet[k].nameView()) != sj(m.species[k - 1].name))
                return false;
            auto codes = tamsel::ParseLayerCodes(m.record.species[k - 1].layerText);
            if (!codes || *codes != p.PlantSet[k].codes) return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        const bool asked =
            std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h";
        std::fprintf(asked ? stdout : stderr,
                     "usage: make-sample [FOLDER]\n"
                     "Writes the sample data set (sample.rli, sample.rld, sample.dic, sample.ini)\n"
                     "into FOLDER (default: the current folder).\n");
        return asked ? 0 : 2;
    }
    std::filesystem::path folder = argc > 1 ? argv[1] : ".";
    try {
        std::filesystem::create_directories(folder);
        std::vector<Made> made = makeAll();
        std::vector<ReleveIn> records;
        std::set<std::string> names;
        std::size_t most = 0;
        for (const Made& m : made) {
            records.push_back(m.record);
            for (const Occurrence& o : m.species) names.insert(o.name);
            most = std::max(most, m.species.size());
        }
        // Every name of the dictionary must occur in the data.
        for (const auto& [standard, local] : localNames)
            if (!names.count(local)) throw std::runtime_error("no releve uses " + local);
        if (!names.count("Sasa kurilensis")) throw std::runtime_error("no Latin name in the data");
        std::string base = (folder / "sample").string();
        tamsel::testing::writeDataFilePair(base, records);
        writeDictionary(folder / "sample.dic");
        writeSettings(folder / "sample.ini");
        if (!verify(base + ".rli", made)) {
            std::fprintf(stderr, "make-sample: the written pair does not read back as made\n");
            return 1;
        }
        std::printf("%zu releves, %zu species names, at most %zu species in one releve\n",
                    made.size(), names.size(), most);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-sample: %s\n", e.what());
        return 1;
    }
    return 0;
}
