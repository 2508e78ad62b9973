#include "skin/picture_captions.h"

#include <QCoreApplication>
#include <iterator>

namespace quillet::ui {
namespace {

struct Caption {
    int normalBitmap;
    const char* text;
};

// Keyed by the normal picture: the same set of four always carries the same words.
constexpr Caption kCaptions[] = {
    {210, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "关闭")},
    {288, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "菜单")},
    {236, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "创建")},
    {261, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "删除")},
    {265, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "断开")},
    {245, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "连接")},
    {257, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "发送")},
    {253, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "清除已接收信息")},
    {249, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "清除已发送信息")},
    {269, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "停止监听")},
    {273, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "监听")},
    {281, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "启动接收")},
    {277, QT_TRANSLATE_NOOP("quillet::ui::CSkinBtn", "停止接收")},
};

}  // namespace

QString ButtonCaption(int normalBitmap) {
    for (const Caption& c : kCaptions) {
        if (c.normalBitmap == normalBitmap)
            return QCoreApplication::translate("quillet::ui::CSkinBtn", c.text);
    }
    return {};
}

}  // namespace quillet::ui
