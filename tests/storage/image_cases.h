// Tables of container byte images with a label and what reading them must
// give: the files readers tolerate, and hostile files that must end in a
// result code. The same images seed the container fuzzer's corpus.
//
// `walk` renders the tree as the interfaces show it (see Render in
// storage_fixture.h): entries in list order separated by commas, "~" for an
// empty name, "=data" for a payload, "=!" for a payload that cannot be read,
// "(...)" for children, "(!)" or a leading "!" for a list whose table is
// refused.
#ifndef ORV_TESTS_STORAGE_IMAGE_CASES_H_
#define ORV_TESTS_STORAGE_IMAGE_CASES_H_

#include <ostream>
#include <string>
#include <vector>

#include "com/types.h"

namespace orv {
namespace testing {

struct ImageCase {
  const char* label;
  std::string image;
  HRESULT open;      // OpenRoot's result
  const char* walk;  // the rendered tree when the open succeeds
  HRESULT save;      // an in-place save's result when the open succeeds
};

// Files that open, including every oddity readers must accept.
std::vector<ImageCase> ToleratedImages();
// Files whose header is refused by Open.
std::vector<ImageCase> RefusedHeaders();
// Files whose tables or payloads lie: each refusal must be E_FAIL for the
// offending list or payload, and a save of the file must fail the same way.
std::vector<ImageCase> HostileImages();

// gtest prints the label.
void PrintTo(const ImageCase& image, std::ostream* out);

}  // namespace testing
}  // namespace orv

#endif  // ORV_TESTS_STORAGE_IMAGE_CASES_H_
