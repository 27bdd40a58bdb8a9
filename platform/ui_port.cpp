#include "platform/ui_port.h"

namespace pw {

Text titleFor(MsgStyle style) {
    switch (style) {
    case MsgStyle::Refusal:
        return u"错误";
    case MsgStyle::Offer:
        return u"询问";
    case MsgStyle::About:
        return u"关于 Pagewright";
    case MsgStyle::Warning:
        return u"警告";
    }
    return u"错误";
}

} // namespace pw
