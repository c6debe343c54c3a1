// The bundled templates rendered as the editor shows them, compared pixel for
// pixel with renderings that were looked at and kept. The fonts and FreeType
// come from the distribution's packages, so the glyphs are stable; when a
// rendering changes on purpose, write the new one with
//   imbrino-cli render assets/samples/NAME.src tests/data/render/NAME.png [--handles]
// and look at it before committing it.

#include <gtest/gtest.h>

#include "image/image_io.h"
#include "render/template_compose.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

void expectRenderingMatches(const std::string& templateName, const std::string& goldenName,
                            bool handles) {
  Template document;
  ASSERT_TRUE(readTemplateFile(std::string(IMBRINO_SOURCE_DIR) + "/assets/samples/" + templateName,
                               document));
  Surface rendered =
      Surface::create(document.background.width, document.background.height).value();
  drawTemplate(rendered, 0, 0, document, false, handles);
  auto golden = loadPictureFile(test::testData("render/" + goldenName));
  ASSERT_TRUE(golden) << golden.reason();
  ASSERT_EQ(rendered.width(), golden->width());
  ASSERT_EQ(rendered.height(), golden->height());
  int differing = 0;
  for (std::size_t i = 0; i < rendered.pixels().size(); ++i)
    differing += rendered.pixels()[i] != golden->pixels()[i];
  if (differing != 0) {
    const std::string actual = ::testing::TempDir() + "actual-" + goldenName;
    (void)saveBitmapByExtension(rendered, actual);
    ADD_FAILURE() << differing << " pixels differ from " << goldenName << "; rendering in "
                  << actual;
  }
}

TEST(GoldenRender, SampleTemplate) { expectRenderingMatches("sample.src", "sample.png", false); }

TEST(GoldenRender, ShowcaseWithHandles) {
  expectRenderingMatches("showcase.src", "showcase-handles.png", true);
}

}  // namespace
}  // namespace imbrino
