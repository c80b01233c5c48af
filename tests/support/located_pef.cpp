#include "tests/support/located_pef.h"

namespace located_pef {

using pef_sample::NoteForm;

void put32(Bytes& bytes, std::uint32_t at, std::uint32_t value, bool intel) {
  for (int i = 0; i < 4; ++i)
    bytes[at + (intel ? i : 3 - i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

File build(const Spec& spec) {
  pef_sample::BodyLayout body = *pef_sample::findBody("k5");
  body.note = spec.pentaxNote ? (spec.intel ? NoteForm::PentaxLittle : NoteForm::PentaxBig)
                              : (spec.intel ? NoteForm::AocLittle : NoteForm::Aoc);
  body.borders = spec.borders;
  body.previewAt = spec.previewAt;
  body.fullAt = spec.previewAt + static_cast<std::uint32_t>(spec.preview.size());
  body.chainFirst = true;
  pef_sample::ShotValues values;
  values.focusMode = 16;  // AF-S
  values.lens = pef_sample::LensCode{3, 1};
  return pef_sample::writeBody(body, values, {{}, spec.preview, spec.fullSize});
}

}  // namespace located_pef
