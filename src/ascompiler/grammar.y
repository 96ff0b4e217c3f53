/* The ActionScript 2 grammar (LALR(1)). The actions build the parse tree and, through
   TParserContext, open and close scopes, declare and resolve names in reduction order. */

%require "3.8"
%define api.pure full
%define api.prefix {as_}
%define api.token.prefix {TOK_}
%parse-param {fc::TParserContext& pc}
%lex-param {fc::TParserContext& pc}

%code requires {
#include "ascompiler/parser_context.h"
}

%code {
// Both parser stacks hold at most 1024 entries and live on the C++ stack, so an exception
// thrown by an action leaves nothing behind.
#define YYINITDEPTH 1024
#define YYMAXDEPTH 1024

namespace {

int as_lex(AS_STYPE* value, fc::TParserContext& pc) {
  fc::TTokenValue& token = pc.Token();  // reused: saves building a value per token
  const int code = pc.NextToken(token);
  switch (code) {
    case fc::kTokString:
    case fc::kTokIdent:
    case fc::kTokPath: value->id = token.ID; break;
    case fc::kTokNumber: value->num = token.Number; break;
    case fc::kTokAssignOp: value->op = token.Op; break;
    case fc::kTokListing: value->text = pc.KeepText(std::move(token.Text)); break;
    default: break;
  }
  return code < 0 ? 0 : code;
}

void as_error(fc::TParserContext& pc, const char* message) {
  // Bison calls a full stack "memory exhausted"; the stack is bounded, not the memory.
  pc.SyntaxError(std::string_view(message) == "memory exhausted" ? "yyparse stack overflow" : message);
}

using namespace fc;

}  // namespace
}

%union {
  fc::TParseTreeNode* node;
  fc::TStrId id;
  double num;
  int op;
  const std::string* text;
  fc::TCompoundName* name;
  fc::TLvalueNode* lv;
  fc::TExprListNode* list;
  fc::TFuncCallNode* call;
  fc::TFuncDefNode* func;
  fc::TArgDeclListNode* params;
  fc::TArgDeclNode* param;
  fc::TVarDeclListNode* vars;
  fc::TVarDeclNode* var;
  fc::TEventListNode* events;
  fc::TPairNode* pair;
  fc::TProgramNode* program;
  fc::TSwitchCaseListNode* cases;
  fc::TSwitchCaseNode* kase;
  fc::TCatchNode* katch;
  fc::TStmtListNode* stmts;
  fc::TLoopStmtNode* loop;
  fc::TClassBodyNode* body;
  fc::TClassImplListNode* impls;
}

%token BREAK 257 CASE 258 CATCH 259 CLASS 260 CONTINUE 261 DEFAULT 262 DELETE 263 DO 264
%token ELSE 265 EXTENDS 266 EVAL 267 FALSE 268 FINALLY 269 FOR 270 FUNCTION 271
%token FUNCTION_GET 272 FUNCTION_SET 273 IF 274 IFFRAMELOADED 275 IMPORT 276 IN 277
%token INTERFACE 278 IMPLEMENTS 279 KEYPRESS 280 NEW 281 NULL 282 ON 283 ONCLIPEVENT 284
%token PRIVATE 285 PUBLIC 286 RETURN 287 STATIC 288 SWITCH 289 TELLTARGET 290 THROW 291
%token TRUE 292 TRY 293 TYPEOF 294 UNDEFINED 295 VAR 296 VOID 297 WHILE 298 WITH 299
%token <text> LISTING 300
%token BADNUMBER 301
%token <id> STRING 302 IDENT 303
%token <num> NUMBER 304
%token <op> ASSIGNOP 305
%token <id> PATH 306
%token NOT 307 OR 308 AND 309 BITOR 310 BITAND 311 BITXOR 312 EQ 313 LE 314 GE 315 NE 316
%token STRICTEQ 317 STRICTNE 318 INSTANCEOF 319 INC 320 DEC 321 SHL 322 SHR 323 USHR 324
%token SADD 325 SEQ 326 SNE 329 SGT 330 SGE 331 SLT 332 SLE 333

%left OR
%left AND
%left BITOR
%left BITXOR
%left BITAND
%left EQ NE STRICTEQ STRICTNE SEQ SNE SLT SGT SLE SGE
%left '<' '>' LE GE INSTANCEOF
%left SHL SHR USHR
%left '+' '-' SADD
%left '*' '/' '%'

%type <program> ProgramElements EventHandler
%type <node> SourcePos ProgramElement Statement ExprStatement Operand Primary Unary Binary Conditional
%type <node> Assignment Expression StatementsOpt IfStatement SwitchStatement IfFrameLoadedStatement
%type <node> WhileStatement DoWhileStatement ForStatement ForInit ForCondition ForStep BreakStatement
%type <node> ContinueStatement ReturnStatement WithStatement TellTargetStatement TryStatement
%type <node> ThrowStatement FunctionBody FinallyClause ClassDecl InterfaceDecl ImportDecl ClassMember
%type <node> NewExpr
%type <lv> LValue
%type <call> Call
%type <list> ArgList ArrayLiteral ObjectLiteral PropertyList
%type <pair> Property Event
%type <events> EventList
%type <func> FunctionDecl FunctionExpr MemberFunction
%type <params> ParamList
%type <param> Param
%type <id> TypeOpt
%type <vars> VarStatement VarDeclList MemberVar
%type <var> VarDecl
%type <stmts> StatementList
%type <cases> CaseList
%type <kase> CaseClause
%type <loop> ForHeader
%type <katch> CatchClause
%type <name> QualifiedName ExtendsOpt InterfaceExtendsOpt
%type <impls> ImplementsOpt NameList
%type <body> ClassBody
%type <op> Modifier Modifiers

%%

Script
  : ProgramElements                 { pc.SetRoot($1); pc.CloseScope(); }
  ;
SourcePos
  : %empty                          { $$ = pc.New<TSourcePosNode>(pc.Position()); }
  ;
OpenProgramScope
  : %empty                          { pc.OpenScope(TScopeKind::Program); }
  ;
ProgramElements
  : OpenProgramScope ProgramElement { $$ = pc.Program($2); }
  | ProgramElements ProgramElement  { $$ = pc.Append($1, $2); }
  ;
ProgramElement
  : Statement
  | FunctionDecl                    { $$ = $1; }
  | ClassDecl
  | InterfaceDecl
  | EventHandler                    { $$ = $1; }
  | ImportDecl
  ;
EventHandler
  : SourcePos ON '(' EventList ')' '{' ProgramElements '}'
      { $$ = pc.EventHandler(TEventKind::Button, $1, $4, $7); }
  | SourcePos ONCLIPEVENT '(' EventList ')' '{' ProgramElements '}'
      { $$ = pc.EventHandler(TEventKind::Clip, $1, $4, $7); }
  | SourcePos ON '(' KEYPRESS STRING ')' '{' ProgramElements '}'
      { $$ = pc.KeyPressHandler($1, $5, $8); }
  ;
Event
  : IDENT                           { $$ = pc.Event($1, nullptr); }
  | IDENT '(' STRING ')'            { $$ = pc.Event($1, pc.New<TStrNode>($3)); }
  ;
EventList
  : Event                           { $$ = pc.Append(pc.New<TEventListNode>(), $1); }
  | EventList ',' Event             { $$ = pc.Append($1, $3); }
  ;
OpenFunctionScope1
  : %empty                          { pc.OpenFunctionScope($<id>0); }
  ;
FunctionDecl
  : FUNCTION IDENT OpenFunctionScope1 '(' ParamList ')' TypeOpt FunctionBody
      { $$ = pc.FunctionDecl($2, $5, $7, $8, 0); }
  | FUNCTION_GET IDENT OpenFunctionScope2 '(' ')' TypeOpt FunctionBody
      { $$ = pc.FunctionDecl($2, pc.New<TArgDeclListNode>(), $6, $7, kNodeGetter); }
  | FUNCTION_SET IDENT OpenFunctionScope3 '(' Param ')' TypeOpt FunctionBody
      { $$ = pc.FunctionDecl($2, pc.Append(pc.New<TArgDeclListNode>(), $5), $7, $8, kNodeSetter); }
  ;
OpenFunctionScope2
  : %empty                          { pc.OpenFunctionScope($<id>0); }
  ;
OpenFunctionScope3
  : %empty                          { pc.OpenFunctionScope($<id>0); }
  ;
OpenFunctionScope4
  : %empty                          { pc.OpenFunctionScope(-1); }
  ;
FunctionExpr
  : FUNCTION OpenFunctionScope4 '(' ParamList ')' TypeOpt FunctionBody
      { $$ = pc.FunctionExpr($4, $6, $7); }
  ;
ParamList
  : %empty                          { $$ = pc.New<TArgDeclListNode>(); }
  | Param                           { $$ = pc.Append(pc.New<TArgDeclListNode>(), $1); }
  | ParamList ',' Param             { $$ = pc.Append($1, $3); }
  ;
Param
  : IDENT TypeOpt                   { $$ = pc.Param($1, $2); }
  ;
TypeOpt
  : %empty                          { $$ = TStringTable::EmptyId; }
  | ':' IDENT                       { $$ = $2; }
  ;
FunctionBody
  : '{' StatementList '}'           { $$ = $2; }
  | '{' '}'                         { $$ = nullptr; }
  ;
Statement
  : ';'                             { $$ = pc.New<TNullStmtNode>(); }
  | '{' StatementList '}'           { $$ = $2; }
  | '{' '}'                         { $$ = pc.New<TNullStmtNode>(); }
  | ExprStatement
  | VarStatement                    { $$ = $1; }
  | IfStatement
  | SwitchStatement
  | IfFrameLoadedStatement
  | WhileStatement
  | DoWhileStatement
  | ForStatement
  | BreakStatement
  | ContinueStatement
  | ReturnStatement
  | WithStatement
  | TellTargetStatement
  | TryStatement
  | ThrowStatement
  | LISTING                         { $$ = pc.New<TListingStmtNode>(pc.Line(), $1->substr(3)); }
  ;
StatementList
  : Statement                       { $$ = pc.Append(pc.New<TStmtListNode>(), $1); }
  | StatementList Statement         { $$ = pc.Append($1, $2); }
  ;
StatementsOpt
  : %empty                          { $$ = nullptr; }
  | StatementList                   { $$ = $1; }
  ;
ExprStatement
  : Expression ';'                  { $$ = $1; $$->Flags |= kNodeUnused; }
  | LValue '=' FunctionExpr         { $$ = pc.Assign($1, kAssignPlain, $3); $$->Flags |= kNodeUnused; }
  ;
LValue
  : IDENT                           { $$ = pc.NameLvalue($1); }
  | PATH                            { $$ = pc.PathLvalue($1); }
  | Operand '.' IDENT               { $$ = pc.MemberLvalue($1, $3); }
  | Operand '[' Expression ']'      { $$ = pc.ComputedLvalue($1, $3); }
  | EVAL '(' Expression ')'         { $$ = pc.ComputedLvalue(nullptr, $3); }
  ;
Operand
  : LValue                          { $$ = $1; }
  | ArrayLiteral                    { $$ = $1; }
  | ObjectLiteral                   { $$ = $1; }
  | Call                            { $$ = $1; }
  | '(' Expression ')'              { $$ = $2; }
  ;
Call
  : IDENT SourcePos '(' ArgList ')' { $$ = pc.Call(nullptr, $1, $4, $2); }
  | Operand '.' IDENT SourcePos '(' ArgList ')'
                                    { $$ = pc.Call($1, $3, $6, $4); }
  ;
Primary
  : Operand
  | NUMBER                          { $$ = pc.New<TNumberNode>($1); }
  | STRING                          { $$ = pc.New<TStrNode>($1); }
  | NULL                            { $$ = pc.New<TStrNode>(kNullId); }
  | UNDEFINED                       { $$ = pc.New<TStrNode>(kUndefinedId); }
  | TRUE                            { $$ = pc.New<TStrNode>(kTrueId); }
  | FALSE                           { $$ = pc.New<TStrNode>(kFalseId); }
  | NewExpr
  | LValue INC                      { $$ = pc.Assign($1, kTokInc, nullptr, true); }
  | LValue DEC                      { $$ = pc.Assign($1, kTokDec, nullptr, true); }
  ;
NewExpr
  : NEW Call                        { $$ = pc.NewCall($2); }
  | NEW IDENT SourcePos             { $$ = pc.NewCall(pc.Call(nullptr, $2, pc.New<TExprListNode>(), $3)); }
  ;
Unary
  : Primary
  | INC LValue                      { $$ = pc.Assign($2, kTokInc, nullptr); }
  | DEC LValue                      { $$ = pc.Assign($2, kTokDec, nullptr); }
  | '-' Unary                       { $$ = pc.New<TUnOpNode>('-', $2); }
  | NOT Unary                       { $$ = pc.New<TUnOpNode>(kTokNot, $2); }
  | '~' Unary                       { $$ = pc.New<TUnOpNode>('~', $2); }
  | DELETE Unary                    { $$ = pc.New<TUnOpNode>(kTokDelete, $2); }
  | TYPEOF Unary                    { $$ = pc.New<TUnOpNode>(kTokTypeof, $2); }
  | VOID Unary                      { $$ = pc.New<TUnOpNode>(kTokVoid, $2); }
  ;
Binary
  : Unary
  | Binary '*' Binary               { $$ = pc.New<TBinOpNode>('*', $1, $3); }
  | Binary '/' Binary               { $$ = pc.New<TBinOpNode>('/', $1, $3); }
  | Binary '%' Binary               { $$ = pc.New<TBinOpNode>('%', $1, $3); }
  | Binary '+' Binary               { $$ = pc.New<TBinOpNode>('+', $1, $3); }
  | Binary SADD Binary              { $$ = pc.New<TBinOpNode>(kTokSAdd, $1, $3); }
  | Binary '-' Binary               { $$ = pc.New<TBinOpNode>('-', $1, $3); }
  | Binary EQ Binary                { $$ = pc.New<TBinOpNode>(kTokEq, $1, $3); }
  | Binary SEQ Binary               { $$ = pc.New<TBinOpNode>(kTokSEq, $1, $3); }
  | Binary NE Binary                { $$ = pc.New<TBinOpNode>(kTokNe, $1, $3); }
  | Binary SNE Binary               { $$ = pc.New<TBinOpNode>(kTokSNe, $1, $3); }
  | Binary STRICTEQ Binary          { $$ = pc.New<TBinOpNode>(kTokStrictEq, $1, $3); }
  | Binary STRICTNE Binary          { $$ = pc.New<TBinOpNode>(kTokStrictNe, $1, $3); }
  | Binary '<' Binary               { $$ = pc.New<TBinOpNode>('<', $1, $3); }
  | Binary SLT Binary               { $$ = pc.New<TBinOpNode>(kTokSLt, $1, $3); }
  | Binary '>' Binary               { $$ = pc.New<TBinOpNode>('<', $3, $1); }
  | Binary SGT Binary               { $$ = pc.New<TBinOpNode>(kTokSLt, $3, $1); }
  | Binary GE Binary                { $$ = pc.New<TBinOpNode>(kTokGe, $1, $3); }
  | Binary SGE Binary               { $$ = pc.New<TBinOpNode>(kTokSGe, $1, $3); }
  | Binary LE Binary                { $$ = pc.New<TBinOpNode>(kTokGe, $3, $1); }
  | Binary SLE Binary               { $$ = pc.New<TBinOpNode>(kTokSGe, $3, $1); }
  | Binary AND Binary               { $$ = pc.New<TBinOpNode>(kTokAnd, $1, $3); }
  | Binary OR Binary                { $$ = pc.New<TBinOpNode>(kTokOr, $1, $3); }
  | Binary SHL Binary               { $$ = pc.New<TBinOpNode>(kTokShl, $1, $3); }
  | Binary SHR Binary               { $$ = pc.New<TBinOpNode>(kTokShr, $1, $3); }
  | Binary USHR Binary              { $$ = pc.New<TBinOpNode>(kTokUshr, $1, $3); }
  | Binary BITAND Binary            { $$ = pc.New<TBinOpNode>(kTokBitAnd, $1, $3); }
  | Binary BITOR Binary             { $$ = pc.New<TBinOpNode>(kTokBitOr, $1, $3); }
  | Binary BITXOR Binary            { $$ = pc.New<TBinOpNode>(kTokBitXor, $1, $3); }
  | Binary INSTANCEOF Binary        { $$ = pc.New<TBinOpNode>(kTokInstanceof, $1, $3); }
  ;
Conditional
  : Binary
  | Binary '?' Assignment ':' Assignment
                                    { $$ = pc.New<TIfStmtNode>($1, $3, $5); }
  ;
Assignment
  : Conditional
  | LValue ASSIGNOP Assignment      { $$ = pc.Assign($1, $2, $3); }
  | LValue '=' Assignment           { $$ = pc.Assign($1, kAssignPlain, $3); }
  ;
Expression
  : Assignment                      { $$ = pc.ExprList($1, kNodeCommaExpr); }
  | FunctionExpr                    { $$ = $1; }
  | Expression ',' Assignment       { if (!pc.AppendToComma($1, $3)) YYERROR; $$ = $1; }
  | Expression ',' FunctionExpr     { if (!pc.AppendToComma($1, $3)) YYERROR; $$ = $1; }
  ;
ArgList
  : Assignment                      { $$ = pc.ExprList($1, 0); }
  | ArgList ',' Assignment          { $$ = pc.Append($1, $3); }
  | %empty                          { $$ = pc.New<TExprListNode>(); }
  ;
ArrayLiteral
  : '[' ArgList ']'                 { $$ = pc.MarkList($2, kNodeArrayLiteral); }
  ;
ObjectLiteral
  : '{' PropertyList '}'            { $$ = pc.MarkList($2, kNodeObjectLiteral); }
  | '{' '}'                         { $$ = pc.MarkList(pc.New<TExprListNode>(), kNodeObjectLiteral); }
  ;
PropertyList
  : Property                        { $$ = pc.AppendProperty(pc.New<TExprListNode>(), $1); }
  | PropertyList ',' Property       { $$ = pc.AppendProperty($1, $3); }
  ;
Property
  : IDENT ':' Assignment            { $$ = pc.New<TPairNode>($3, pc.New<TStrNode>($1)); }
  ;
VarStatement
  : VAR VarDeclList ';'             { $$ = $2; }
  | VAR IDENT TypeOpt '=' FunctionExpr
      { $$ = pc.Append(pc.New<TVarDeclListNode>(), pc.VarDecl($2, $3, $5, true)); }
  ;
VarDeclList
  : VarDecl                         { $$ = pc.Append(pc.New<TVarDeclListNode>(), $1); }
  | VarDeclList ',' VarDecl         { $$ = pc.Append($1, $3); }
  ;
VarDecl
  : IDENT TypeOpt '=' Assignment    { $$ = pc.VarDecl($1, $2, $4, false); }
  | IDENT TypeOpt '=' FunctionExpr  { $$ = pc.VarDecl($1, $2, $4, true); }
  | IDENT TypeOpt                   { $$ = pc.VarDecl($1, $2, nullptr, false); }
  ;
IfStatement
  : IF '(' Expression ')' Statement ELSE Statement
                                    { $$ = pc.New<TIfStmtNode>($3, $5, $7); }
  | IF '(' Expression ')' Statement { $$ = pc.New<TIfStmtNode>($3, $5, nullptr); }
  ;
SwitchStatement
  : SWITCH '(' Expression ')' '{' CaseList '}'
                                    { $$ = pc.New<TSwitchStmtNode>($3, $6); }
  | SWITCH '(' Expression ')' '{' '}'
                                    { $$ = pc.New<TSwitchStmtNode>($3, nullptr); }
  ;
CaseList
  : CaseClause                      { $$ = pc.Append(pc.New<TSwitchCaseListNode>(), $1); }
  | CaseList CaseClause             { $$ = pc.Append($1, $2); }
  ;
CaseClause
  : CASE Expression ':' StatementsOpt
                                    { $$ = pc.New<TSwitchCaseNode>($2, $4); }
  | DEFAULT ':' StatementsOpt       { $$ = pc.New<TSwitchCaseNode>(nullptr, $3); }
  ;
IfFrameLoadedStatement
  : IFFRAMELOADED '(' NUMBER ')' Statement
                                    { $$ = pc.New<TWaitForFrameNode>($5, $3); }
  ;
WhileStatement
  : WHILE '(' Expression ')' Statement
                                    { $$ = pc.New<TLoopStmtNode>($3, $5); }
  ;
DoWhileStatement
  : DO '{' StatementsOpt '}' WHILE '(' Expression ')' ';'
      { $$ = pc.New<TLoopStmtNode>($7, $3); $$->Flags |= kNodeDoWhile; }
  ;
ForStatement
  : ForHeader Statement             { $1->SetBody($2); $$ = pc.Checked($1); }
  ;
ForHeader
  : FOR '(' ForInit ';' ForCondition ';' ForStep ')'
                                    { $$ = pc.New<TForStmtNode>($3, $5, $7); }
  | FOR '(' VAR IDENT IN Operand ')'
                                    { $$ = pc.ForIn($4, $6); }
  | FOR '(' IDENT IN Operand ')'    { $$ = pc.ForIn($3, $5); }
  ;
ForInit
  : %empty                          { $$ = nullptr; }
  | VAR VarDeclList                 { $$ = $2; }
  | Expression                      { $$ = $1; $$->Flags |= kNodeUnused; }
  ;
ForCondition
  : %empty                          { $$ = nullptr; }
  | Expression
  ;
ForStep
  : %empty                          { $$ = nullptr; }
  | Expression                      { $$ = $1; $$->Flags |= kNodeUnused; }
  ;
BreakStatement
  : BREAK ';'                       { $$ = pc.New<TBreakStmtNode>(); }
  ;
ContinueStatement
  : CONTINUE ';'                    { $$ = pc.New<TContinueStmtNode>(); }
  ;
ReturnStatement
  : RETURN ';'                      { $$ = pc.New<TReturnStmtNode>(nullptr); }
  | RETURN Expression ';'           { $$ = pc.New<TReturnStmtNode>($2); }
  ;
WithStatement
  : WITH '(' Operand ')' Statement  { $$ = pc.New<TWithStmtNode>($3, $5); }
  ;
TellTargetStatement
  : TELLTARGET '(' Expression ')' Statement
                                    { $$ = pc.New<TSetTargetNode>($3, $5); }
  ;
TryStatement
  : TRY Statement CatchClause FinallyClause
                                    { $$ = pc.New<TTryStmtNode>($2, $3, $4); }
  | TRY Statement CatchClause       { $$ = pc.New<TTryStmtNode>($2, $3, nullptr); }
  | TRY Statement FinallyClause     { $$ = pc.New<TTryStmtNode>($2, nullptr, $3); }
  ;
CatchClause
  : CATCH '(' IDENT TypeOpt ')' '{' StatementsOpt '}'
                                    { $$ = pc.New<TCatchNode>($3, $4, $7); }
  ;
FinallyClause
  : FINALLY '{' StatementsOpt '}'
      { $$ = $3 ? $3 : pc.New<TStmtListNode>(); /* an empty list still marks the block */ }
  ;
ThrowStatement
  : THROW Expression ';'            { $$ = pc.New<TThrowStmtNode>($2); }
  ;
OpenClassScope
  : %empty                          { pc.OpenClassScope($<name>-2, $<name>-1); }
  ;
ClassDecl
  : CLASS QualifiedName ExtendsOpt ImplementsOpt OpenClassScope '{' ClassBody '}'
                                    { $$ = pc.ClassDecl($2, $3, $4, $7); }
  ;
QualifiedName
  : IDENT                           { $$ = pc.New<TCompoundName>($1); }
  | QualifiedName '.' IDENT         { $$ = $1; $$->Append($3); }
  ;
ExtendsOpt
  : %empty                          { $$ = nullptr; }
  | EXTENDS QualifiedName           { $$ = $2; }
  ;
ImplementsOpt
  : %empty                          { $$ = nullptr; }
  | IMPLEMENTS NameList             { $$ = $2; }
  ;
NameList
  : QualifiedName                   { $$ = pc.New<TClassImplListNode>(); $$->Items.Add(pc.ResolveInterface($1)); }
  | NameList ',' QualifiedName      { $$ = $1; $$->Items.Add(pc.ResolveInterface($3)); }
  ;
ClassBody
  : ClassMember                     { $$ = pc.New<TClassBodyNode>(); pc.AddMember($$, $1); }
  | ClassBody ClassMember           { $$ = $1; pc.AddMember($$, $2); }
  | ClassBody ';' ClassMember       { $$ = $1; pc.AddMember($$, $3); }
  ;
ClassMember
  : MemberVar                       { $$ = $1; }
  | MemberFunction                  { $$ = $1; }
  ;
MemberVar
  : VarStatement
  | Modifiers VarStatement          { $$ = pc.MemberVars($1, $2); }
  ;
MemberFunction
  : FunctionDecl
  | Modifiers FunctionDecl          { $$ = pc.MemberFunction($1, $2); }
  ;
Modifier
  : STATIC                          { $$ = kIdentStatic; }
  | PUBLIC                          { $$ = kIdentPublic; }
  | PRIVATE                         { $$ = kIdentPrivate; }
  ;
Modifiers
  : Modifier
  | Modifiers Modifier              { $$ = $1 | $2; }
  ;
ImportDecl
  : IMPORT QualifiedName            { $$ = pc.Import($2); }
  | IMPORT QualifiedName '.' '*' ';'
                                    { $$ = pc.ImportAll($2); }
  ;
OpenInterfaceScope
  : %empty                          { pc.OpenClassScope($<name>-1, $<name>0); }
  ;
InterfaceDecl
  : INTERFACE QualifiedName InterfaceExtendsOpt OpenInterfaceScope '{' InterfaceBody '}'
                                    { $$ = pc.InterfaceDecl($2, $3); }
  ;
InterfaceExtendsOpt
  : %empty                          { $$ = nullptr; }
  | EXTENDS QualifiedName           { $$ = $2; }
  ;
InterfaceBody
  : %empty
  | InterfaceBody MethodSignature
  ;
MethodSignature
  : FUNCTION IDENT '(' ParamList ')' TypeOpt ';'
  ;

%%

namespace fc {

int ParseTokens(TParserContext& context) { return as_parse(context); }

}  // namespace fc
