#include "app/session.h"

namespace sonatap {

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace sonatap
