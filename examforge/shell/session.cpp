#include "session.h"

namespace examforge {

Session &session()
{
    static Session s;
    return s;
}

} // namespace examforge
