#include "cli/movie_struct.h"

#include <utility>

MovieStruct::MovieStruct(std::string name) : fileName(std::move(name)) {
  SetIdentityMatrix(&trackMatrix);
  SetIdentityMatrix(&movieMatrix);
}
