#include "runtime/lineinput.h"

#include "runtime/errors.h"
#include "runtime/programtexts.h"

namespace {

class TNoLineInput final : public TLineInput {
public:
    std::string inputline() override { throw TVorkanaError(programtext(TProgramText::nolineinput)); }
};

TNoLineInput nolineinput;
TLineInput* installed = &nolineinput;

}

TLineInput& lineinput()
{
    return *installed;
}

void setlineinput(TLineInput* input)
{
    installed = input ? input : &nolineinput;
}
