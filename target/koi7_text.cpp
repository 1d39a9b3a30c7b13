#include "target/koi7_text.h"

#include <array>

namespace flashdisk::target {

namespace {

constexpr std::uint8_t kFirstPrintable = 0x20;
constexpr std::uint8_t kFirstCyrillic = 0x60;
constexpr std::uint8_t kDelete = 0x7F;

// 0x60 to 0x7E: the letters in the order of their Latin look-alikes' codes,
// Ю А Б Ц Д Е Ф Г Х И Й К Л М Н О П Я Р С Т У Ж В Ь Ы З Ш Э Щ Ч.
constexpr std::array<char16_t, kDelete - kFirstCyrillic> kCyrillic{{
    u'Ю', u'А', u'Б', u'Ц', u'Д', u'Е', u'Ф', u'Г', u'Х', u'И', u'Й', u'К', u'Л', u'М', u'Н', u'О',
    u'П', u'Я', u'Р', u'С', u'Т', u'У', u'Ж', u'В', u'Ь', u'Ы', u'З', u'Ш', u'Э', u'Щ', u'Ч',
}};

}  // namespace

std::optional<char32_t> Koi7Character(std::uint8_t byte) {
  if (byte < kFirstPrintable || byte >= kDelete) {
    return std::nullopt;
  }
  if (byte < kFirstCyrillic) {
    return byte;
  }
  return kCyrillic[byte - kFirstCyrillic];
}

}  // namespace flashdisk::target
