// The messages with which a pass refuses a program: every one names the line,
// and what in it cannot be turned exactly.
#include <cstdio>
#include <string>

#include "log/message_log.h"
#include "rotate/pass.h"

namespace {

// A G code in tenths as it is written: 68, 54.1.
std::string code_text(int tenths) {
    char text[16];
    if (tenths % 10 == 0) {
        std::snprintf(text, sizeof text, "%02d", tenths / 10);
    } else {
        std::snprintf(text, sizeof text, "%02d.%d", tenths / 10, tenths % 10);
    }
    return text;
}

const char *fault_reason(BlockFaultKind kind) {
    switch (kind) {
    case BLOCK_FAULT_CHARACTER:
        return "解釈できない文字があります";
    case BLOCK_FAULT_LOWER_CASE:
        return "小文字のアドレスは扱えません";
    case BLOCK_FAULT_NUMBER:
        return "数値を読めない語があります";
    case BLOCK_FAULT_RANGE:
        return "数値が大きすぎます";
    case BLOCK_FAULT_MACRO:
        return "マクロ変数・演算は扱えません";
    case BLOCK_FAULT_BLOCK_DELETE:
        return "ブロックスキップ（/）は扱えません";
    case BLOCK_FAULT_TAPE_MARK:
        return "ブロックの中の%は扱えません";
    case BLOCK_FAULT_PROGRAM_NUMBER:
        return "ブロックの途中のプログラム番号（O）は扱えません";
    case BLOCK_FAULT_CODE_DECIMALS:
        return "Gコード・Mコードの数値が正しくありません";
    case BLOCK_FAULT_NONE:
        break;
    }
    return "解釈できないブロックです";
}

}  // namespace

int refuse_line(Pass &pass, const LineInfo &info, const char *why) {
    message_format("エラー：%lld行目 %s： %.*s", info.number, why, static_cast<int>(info.length), info.text);
    return log_post(pass.owner, -1);
}

int refuse_block(Pass &pass, const LineInfo &info, const BlockRefusal &refusal) {
    std::string why;
    switch (refusal.kind) {
    case REFUSAL_PLANE:
        message_format("ＮＣデータにG%d平面が含まれてます。\n\nG17以外の座標平面はサポート外です。", refusal.code);
        return log_post(pass.owner, -1);
    case REFUSAL_UNREADABLE:
        why = fault_reason(refusal.fault.kind);
        break;
    case REFUSAL_UNKNOWN_G:
        why = "G" + code_text(refusal.code) + "は扱えないコードです";
        break;
    case REFUSAL_G:
        why = std::string(refusal.why) + "（G" + code_text(refusal.code) + "）";
        break;
    case REFUSAL_SUBPROGRAM:
        why = "サブプログラムの呼出し・復帰は回転できません（M" + std::to_string(refusal.code) + "）";
        break;
    case REFUSAL_LETTER:
        why = std::string("アドレス") + static_cast<char>(refusal.code) + "は扱えません（回転軸などの指令）";
        break;
    case REFUSAL_DUPLICATE:
        why = std::string("アドレス") + static_cast<char>(refusal.code) + "が１つのブロックに２つ以上あります";
        break;
    case REFUSAL_GROUP:
        why = "同じグループのGコードが１つのブロックに２つ以上あります（G" + code_text(refusal.code) + "）";
        break;
    case REFUSAL_NOT_INTEGER:
        why = std::string("アドレス") + static_cast<char>(refusal.code) + "の値が整数ではありません";
        break;
    case REFUSAL_POINT:
        why = std::string("アドレス") + static_cast<char>(refusal.code) + "に小数点は付けられません";
        break;
    case REFUSAL_NONE:
        why = "解釈できないブロックです";
        break;
    }
    return refuse_line(pass, info, why.c_str());
}

int refuse_reading(WindowHandle owner, const TextReader &reader, const char *input_path) {
    switch (reader.fault) {
    case LINE_FAULT_NUL:
        message_format("エラー：ＮＣファイル %s の%lld行目にNULバイトがあります", input_path, reader.line_number);
        break;
    case LINE_FAULT_AFTER_END:
        message_format("エラー：ＮＣファイル %s の%lld行目のファイル終端（Ctrl-Z）の後にデータがあります",
                       input_path, reader.line_number);
        break;
    case LINE_FAULT_TOO_LONG:
        message_format("エラー：ＮＣファイル %s の%lld行目が長すぎます（%lu バイトまで）", input_path,
                       reader.line_number, static_cast<unsigned long>(TEXT_LINE_LIMIT));
        break;
    default:
        message_format("エラー：変換するＮＣファイル %s を最後まで読み込めません", input_path);
        break;
    }
    return log_post(owner, -1);
}
