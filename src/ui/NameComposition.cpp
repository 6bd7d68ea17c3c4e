#include "ui/NameComposition.h"

#include <map>
#include <optional>
#include <utility>

namespace {

// Each combining accent with the letters it composes with: pairs of the
// letter and the accented letter, as Unicode's canonical compositions give
// them for the Latin letters (U+00C0 to U+024F, U+1E00 to U+1EFF).
struct AccentRow {
  char32_t accent;
  std::u32string_view pairs;
};
constexpr AccentRow kAccents[] = {
    {0x0300, U"AÀEÈIÌOÒUÙaàeèiìoòuùÜǛüǜNǸnǹĒḔēḕŌṐōṑWẀwẁ"
              U"ÂẦâầĂẰăằÊỀêềÔỒôồƠỜơờƯỪưừYỲyỳ"},
    {0x0301, U"AÁEÉIÍOÓUÚYÝaáeéiíoóuúyýCĆcćLĹlĺNŃnńRŔrŕ"
              U"SŚsśZŹzźÜǗüǘGǴgǵÅǺåǻÆǼæǽØǾøǿÇḈçḉĒḖēḗÏḮïḯ"
              U"KḰkḱMḾmḿÕṌõṍŌṒōṓPṔpṕŨṸũṹWẂwẃÂẤâấĂẮăắÊẾêế"
              U"ÔỐôốƠỚơớƯỨưứ"},
    {0x0302, U"AÂEÊIÎOÔUÛaâeêiîoôuûCĈcĉGĜgĝHĤhĥJĴjĵSŜsŝ"
              U"WŴwŵYŶyŷZẐzẑẠẬạậẸỆẹệỌỘọộ"},
    {0x0303, U"AÃNÑOÕaãnñoõIĨiĩUŨuũVṼvṽÂẪâẫĂẴăẵEẼeẽÊỄêễ"
              U"ÔỖôỗƠỠơỡƯỮưữYỸyỹ"},
    {0x0304, U"AĀaāEĒeēIĪiīOŌoōUŪuūÜǕüǖÄǞäǟȦǠȧǡÆǢæǣǪǬǫǭ"
              U"ÖȪöȫÕȬõȭȮȰȯȱYȲyȳGḠgḡḶḸḷḹṚṜṛṝ"},
    {0x0306, U"AĂaăEĔeĕGĞgğIĬiĭOŎoŏUŬuŭȨḜȩḝẠẶạặ"},
    {0x0307, U"CĊcċEĖeėGĠgġIİZŻzżAȦaȧOȮoȯBḂbḃDḊdḋFḞfḟHḢ"
              U"hḣMṀmṁNṄnṅPṖpṗRṘrṙSṠsṡŚṤśṥŠṦšṧṢṨṣṩTṪtṫWẆ"
              U"wẇXẊxẋYẎyẏſẛ"},
    {0x0308, U"AÄEËIÏOÖUÜaäeëiïoöuüyÿYŸHḦhḧÕṎõṏŪṺūṻWẄwẅ"
              U"XẌxẍtẗ"},
    {0x0309, U"AẢaảÂẨâẩĂẲăẳEẺeẻÊỂêểIỈiỉOỎoỏÔỔôổƠỞơởUỦuủ"
              U"ƯỬưửYỶyỷ"},
    {0x030A, U"AÅaåUŮuůwẘyẙ"},
    {0x030B, U"OŐoőUŰuű"},
    {0x030C, U"CČcčDĎdďEĚeěLĽlľNŇnňRŘrřSŠsšTŤtťZŽzžAǍaǎ"
              U"IǏiǐOǑoǒUǓuǔÜǙüǚGǦgǧKǨkǩƷǮʒǯjǰHȞhȟ"},
    {0x030F, U"AȀaȁEȄeȅIȈiȉOȌoȍRȐrȑUȔuȕ"},
    {0x0311, U"AȂaȃEȆeȇIȊiȋOȎoȏRȒrȓUȖuȗ"},
    {0x031B, U"OƠoơUƯuư"},
    {0x0323, U"BḄbḅDḌdḍHḤhḥKḲkḳLḶlḷMṂmṃNṆnṇRṚrṛSṢsṣTṬtṭ"
              U"VṾvṿWẈwẉZẒzẓAẠaạEẸeẹIỊiịOỌoọƠỢơợUỤuụƯỰưự"
              U"YỴyỵ"},
    {0x0324, U"UṲuṳ"},
    {0x0325, U"AḀaḁ"},
    {0x0326, U"SȘsșTȚtț"},
    {0x0327, U"CÇcçGĢgģKĶkķLĻlļNŅnņRŖrŗSŞsşTŢtţEȨeȩDḐdḑ"
              U"HḨhḩ"},
    {0x0328, U"AĄaąEĘeęIĮiįUŲuųOǪoǫ"},
    {0x032D, U"DḒdḓEḘeḙLḼlḽNṊnṋTṰtṱUṶuṷ"},
    {0x032E, U"HḪhḫ"},
    {0x0330, U"EḚeḛIḬiḭUṴuṵ"},
    {0x0331, U"BḆbḇDḎdḏKḴkḵLḺlḻNṈnṉRṞrṟTṮtṯZẔzẕhẖ"},
};

constexpr char32_t kFirstAccent = 0x0300;
constexpr char32_t kLastAccent = 0x036F;

using Compositions = std::map<std::pair<char32_t, char32_t>, char32_t>;

const Compositions& AllCompositions() {
  static const Compositions all = [] {
    Compositions made;
    for (const AccentRow& row : kAccents)
      for (size_t i = 0; i + 1 < row.pairs.size(); i += 2) made[{row.pairs[i], row.accent}] = row.pairs[i + 1];
    return made;
  }();
  return all;
}

// The length of the UTF-8 sequence that `lead` starts; 0 when none starts so.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

std::string Encode(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The character `sequence` (one whole sequence) encodes; nothing when it is
// not well-formed UTF-8 (overlong, a surrogate, beyond U+10FFFF).
std::optional<char32_t> Decode(std::string_view sequence) {
  const size_t length = SequenceLength(static_cast<unsigned char>(sequence[0]));
  if (length == 0 || length != sequence.size()) return std::nullopt;
  if (length == 1) return static_cast<unsigned char>(sequence[0]);
  char32_t c = static_cast<unsigned char>(sequence[0]) & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(sequence[i]);
    if ((byte & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (byte & 0x3F);
  }
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF || Encode(c).size() != length) return std::nullopt;
  return c;
}

}  // namespace

std::string ComposeLatinAccents(std::string_view text) {
  std::string out;
  size_t last = std::string::npos;  // where the last character of `out` starts
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
    const std::optional<char32_t> c =
        length && i + length <= text.size() ? Decode(text.substr(i, length)) : std::nullopt;
    if (!c) return std::string(text);
    if (*c >= kFirstAccent && *c <= kLastAccent && last != std::string::npos) {
      const auto found = AllCompositions().find({*Decode(std::string_view(out).substr(last)), *c});
      if (found != AllCompositions().end()) {
        out.replace(last, std::string::npos, Encode(found->second));
        i += length;
        continue;
      }
    }
    last = out.size();
    out.append(text.substr(i, length));
    i += length;
  }
  return out;
}
