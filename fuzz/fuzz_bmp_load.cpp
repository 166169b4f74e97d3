// LoadImageA on arbitrary bytes: a refusal or a bitmap whose description
// matches its pixel buffer; every pixel byte is read so that the sanitizers
// see any overrun.
#include <cstdlib>

#include "fuzz_harness.h"
#include "internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzzbmp::WriteInput(data, size)) return 0;
  HANDLE bitmap = LoadImageA(0, fuzzbmp::InputPath().c_str(), IMAGE_BITMAP, 0, 0,
                             LR_LOADFROMFILE | LR_LOADTRANSPARENT | LR_CREATEDIBSECTION);
  if (!bitmap) return 0;
  BITMAP bm{};
  if (GetObjectA(bitmap, sizeof bm, &bm) != int(sizeof bm)) std::abort();
  const bool depth_ok = bm.bmBitsPixel == 1 || bm.bmBitsPixel == 4 || bm.bmBitsPixel == 8 ||
                        bm.bmBitsPixel == 16 || bm.bmBitsPixel == 24 || bm.bmBitsPixel == 32;
  if (!depth_ok || bm.bmWidth <= 0 || bm.bmHeight <= 0 || bm.bmWidthBytes % 4 != 0 ||
      int64_t(bm.bmWidthBytes) * 8 < int64_t(bm.bmWidth) * bm.bmBitsPixel || !bm.bmBits)
    std::abort();
  const platform::GdiObject* object = platform::GdiObjects().Get(bitmap);
  if (!object || object->bitmap.pixels.size() != size_t(bm.bmWidthBytes) * size_t(bm.bmHeight)) std::abort();
  if (object->bitmap.colors.size() > (bm.bmBitsPixel <= 8 ? size_t(1) << bm.bmBitsPixel : 0)) std::abort();
  unsigned sum = 0;
  const auto* bytes = static_cast<const uint8_t*>(bm.bmBits);
  for (size_t i = 0; i < object->bitmap.pixels.size(); ++i) sum += bytes[i];
  if (DeleteObject(bitmap) != TRUE) std::abort();
  return int(sum & 0);
}
