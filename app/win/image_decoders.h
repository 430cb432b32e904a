// The text of the platform's installed image decoders, from GDI+.
#pragma once
#include <string>

// "description (extensions)|extensions|" for every decoder, then "|"; false when GDI+ cannot
// be started or gives no decoder list.
bool ImageDecoderText(std::string &text);
