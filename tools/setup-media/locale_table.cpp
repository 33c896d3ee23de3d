#include "locale_table.h"

namespace media {

const Locale kLocales[] = {
#include "locale_table.inc"
};
const size_t kLocaleCount = sizeof kLocales / sizeof kLocales[0];

}  // namespace media
