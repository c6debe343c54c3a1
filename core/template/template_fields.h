#pragma once
// The values a template's fields take on one picture: its names from its
// path, when and with what it was taken from its metadata, its place in the
// run and its upright size.

#include <string>
#include <vector>

#include "image/picture_origin.h"
#include "template/template_document.h"
#include "text/text_fields.h"

namespace imbrino {

// The fields `document`'s texts name, each once, by their English names.
std::vector<std::string> templateFieldsUsed(const Template& document);

// Whether any text of `document` names a field; a template without any draws
// the same on every picture.
bool templateUsesFields(const Template& document);

// Whether its fields need the picture's metadata (date, time, year, camera),
// which only then is worth reading.
bool templateNeedsPictureOrigin(const Template& document);

struct PicturePlace {
  long long index = 1;  // 1-based
  long long count = 1;
};

// The fields of the picture at `path` with `facts` and an upright size of
// width x height. The date, time and year are the facts' when the record had
// a readable date, else the file's last change in local time, else empty.
PictureFields pictureFieldsFor(const std::string& path, const PictureOrigin& facts, int width,
                               int height, PicturePlace place);

}  // namespace imbrino
