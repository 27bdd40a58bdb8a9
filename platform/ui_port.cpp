#include "platform/ui_port.h"

namespace pw {

MsgStyle styleOf(MsgId id) {
    switch (id) {
    case MsgId::OfferCreateFolder:
        return MsgStyle::Offer;
    case MsgId::NotCurrentFile:
    case MsgId::SizeChanged:
    case MsgId::OutputExists:
        return MsgStyle::Warning;
    case MsgId::OddTrailingByte:
    case MsgId::BytesReplaced:
    case MsgId::OrphansRemoved:
        return MsgStyle::Notice;
    case MsgId::About:
        return MsgStyle::About;
    default:
        return MsgStyle::Refusal;
    }
}

Text titleFor(MsgStyle style) {
    switch (style) {
    case MsgStyle::Refusal:
        return u"错误";
    case MsgStyle::Offer:
        return u"询问";
    case MsgStyle::Notice:
        return u"提示";
    case MsgStyle::About:
        return u"关于 Pagewright";
    case MsgStyle::Warning:
        return u"警告";
    }
    return u"错误";
}

} // namespace pw
