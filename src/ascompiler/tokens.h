#pragma once
// Token codes shared by the lexer, the grammar and the parse tree (operator nodes keep the
// token code of their operator). Single characters the grammar uses are their own code.

#include <cstdint>
#include <string>

#include "ascompiler/string_table.h"

namespace fc {

enum TToken : int {
  kTokEnd = 0,
  kTokBreak = 257, kTokCase, kTokCatch, kTokClass, kTokContinue, kTokDefault, kTokDelete, kTokDo,
  kTokElse, kTokExtends, kTokEval, kTokFalse, kTokFinally, kTokFor, kTokFunction, kTokFunctionGet,
  kTokFunctionSet, kTokIf, kTokIfFrameLoaded, kTokImport, kTokIn, kTokInterface, kTokImplements,
  kTokKeyPress, kTokNew, kTokNull, kTokOn, kTokOnClipEvent, kTokPrivate, kTokPublic, kTokReturn,
  kTokStatic, kTokSwitch, kTokTellTarget, kTokThrow, kTokTrue, kTokTry, kTokTypeof, kTokUndefined,
  kTokVar, kTokVoid, kTokWhile, kTokWith,
  kTokListing = 300, kTokBadNumber, kTokString, kTokIdent, kTokNumber, kTokAssignOp, kTokPath,
  kTokNot = 307, kTokOr, kTokAnd, kTokBitOr, kTokBitAnd, kTokBitXor, kTokEq, kTokLe, kTokGe, kTokNe,
  kTokStrictEq, kTokStrictNe, kTokInstanceof, kTokInc, kTokDec, kTokShl, kTokShr, kTokUshr,
  kTokSAdd = 325, kTokSEq = 326,
  kTokSNe = 329, kTokSGt, kTokSGe, kTokSLt, kTokSLe,
};
static_assert(kTokWith == 299 && kTokUshr == 324 && kTokSLe == 333);

// Operator codes of compound assignments (ASSIGNOP values) and of plain "=".
enum TAssignOp : int {
  kAssignPlain = 1, kAssignAdd, kAssignSub, kAssignMul, kAssignDiv, kAssignMod, kAssignAnd,
  kAssignXor, kAssignOr, kAssignShl, kAssignShr, kAssignUshr,
};

// The value a token carries: a string id (IDENT, STRING, PATH), a number, an operator code
// or the text of a listing line.
struct TTokenValue {
  TStrId ID = 0;
  double Number = 0;
  int Op = 0;
  std::string Text;
};

// "IDENT", "'+'", "end of input": for dumps and diagnostics.
std::string TokenName(int token);

}  // namespace fc
