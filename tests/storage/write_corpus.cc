// Writes the byte images of the storage tests into a directory, one file per
// image, as seeds of the container fuzzer:
//
//   container_corpus fuzz/corpus/container
//
// File names come from the images' labels.
#include <stdio.h>

#include <string>

#include "tests/storage/container_image.h"
#include "tests/storage/image_cases.h"

namespace {

std::string FileName(const std::string& label) {
  std::string name;
  for (char c : label) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      (c >= '0' && c <= '9');
    if (keep) {
      name += c;
    } else if (!name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name;
}

bool WriteImage(const std::string& directory, const std::string& label,
                const std::string& bytes) {
  const std::string path = directory + "/" + FileName(label);
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) ==
                       bytes.size();
  return fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orv::testing;
  if (argc != 2) {
    fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::string directory = argv[1];
  bool ok = true;
  for (const auto& table : {ToleratedImages(), RefusedHeaders(),
                            HostileImages()}) {
    for (const ImageCase& image : table) {
      ok = WriteImage(directory, image.label, image.image) && ok;
    }
  }
  const Tree nested = {
      Branch("a", {Leaf("a1", "one"), Branch("a2", {Leaf("x", "deep")}, "two")},
             "A"),
      Leaf("", "unnamed"), Leaf("b"), Branch("c", {Leaf("c1")})};
  ok = WriteImage(directory, "saved nested tree", Layout(nested)) && ok;
  ok = WriteImage(directory, "chain 64 deep", DeepChain(64, "d")) && ok;
  return ok ? 0 : 1;
}
