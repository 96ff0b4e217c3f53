/* The ActionScript 2 grammar (LALR(1)). The actions build the parse tree and, through
   TParserContext, open and close scopes, declare and resolve names in reduction order.

   The parser asks LexToken (at the end of this file) for each token. That is where a left-out
   semicolon is put back: before a token that follows a line break (or a closing brace, or the
   end) and that the parser cannot take there, when a semicolon could stand in its place. To
   tell, LexToken runs the parser's tables on its state stack, which the parser passes it. */

%require "3.8"
%define api.pure full
%define api.prefix {as_}
%define api.token.prefix {TOK_}
%define api.location.type {fc::TTokenPlace}
%define parse.error custom
%locations
%parse-param {fc::TParserContext& pc}
%lex-param {fc::TParserContext& pc}

%code requires {
#include "ascompiler/parser_context.h"
}

%code {
// Both parser stacks hold at most 1024 entries, so an exception thrown by an action leaves
// nothing behind but the parser state, which ParseTokens frees.
#define YYINITDEPTH 1024
#define YYMAXDEPTH 1024

// Every node made while a rule is reduced takes the position of the rule's first symbol (an
// empty rule: of the symbol before it), which is what the parser's `yyloc` holds meanwhile.
// The context reads it there (LexToken hands it the address), so reductions pay nothing more.
#define YYLLOC_DEFAULT(Current, Rhs, N) ((Current) = YYRHSLOC(Rhs, (N) ? 1 : 0))

// The parser calls its lexer as as_lex(value, location, pc); the state stack (yyss .. yyssp)
// and the location of the rule being reduced (yyloc), the parser's own variables, go along.
template <typename TState>
int LexToken(AS_STYPE* value, fc::TTokenPlace* pos, fc::TParserContext& pc, const TState* bottom, const TState* top,
             const fc::TTokenPlace* rule_place);
#define as_lex(value, pos, pc) LexToken(value, pos, pc, yyss, yyssp, &yyloc)

namespace {

void as_error(fc::TTokenPlace* pos, fc::TParserContext& pc, const char* message) {
  // Bison calls a full stack "memory exhausted"; the stack is bounded, not the memory.
  const std::string_view text(message);
  pc.SyntaxError(*pos, text == "memory exhausted" ? "yyparse stack overflow" : std::string(text));
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
  fc::TExprListNode* list;
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
%token <id> NOT 307 OR 308 AND 309
%token BITOR 310 BITAND 311 BITXOR 312 EQ 313 LE 314 GE 315 NE 316
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
%type <node> ProgramElement Statement EmptyStatement ExprStatement MemberExpr NewExpr CallExpr
%type <node> LhsExpr Unary Binary Conditional
%type <node> Assignment Expression StatementsOpt IfStatement SwitchStatement IfFrameLoadedStatement
%type <node> WhileStatement DoWhileStatement ForStatement ForInit ForCondition ForStep BreakStatement
%type <node> ContinueStatement ReturnStatement WithStatement TellTargetStatement TryStatement
%type <node> ThrowStatement FunctionBody FinallyClause ClassDecl InterfaceDecl ImportDecl ClassMember
%type <list> Arguments ArgList ArrayLiteral ObjectLiteral PropertyList
%type <pair> Property Event
%type <events> EventList
%type <func> FunctionDecl FunctionExpr MemberFunction
%type <params> ParamList
%type <param> Param
%type <id> TypeOpt TypeName PropertyName MemberName
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
OpenProgramScope
  : %empty                          { pc.OpenScope(TScopeKind::Program); }
  ;
ProgramElements
  : OpenProgramScope ProgramElement { $$ = pc.Program($2); }
  | ProgramElements ProgramElement  { $$ = pc.Append($1, $2); }
  ;
ProgramElement
  : Statement
  | ClassDecl
  | InterfaceDecl
  | EventHandler                    { $$ = $1; }
  | ImportDecl
  ;
EventHandler
  : ON '(' EventList ')' '{' ProgramElements '}'
      { $$ = pc.EventHandler(TEventKind::Button, @1, $3, $6); }
  | ONCLIPEVENT '(' EventList ')' '{' ProgramElements '}'
      { $$ = pc.EventHandler(TEventKind::Clip, @1, $3, $6); }
  | ON '(' KEYPRESS STRING ')' '{' ProgramElements '}'
      { $$ = pc.KeyPressHandler(@1, $4, $7); }
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
  : FUNCTION MemberName OpenFunctionScope1 '(' ParamList ')' TypeOpt FunctionBody
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
  | ':' TypeName                    { $$ = $2; }
  ;
TypeName
  : IDENT
  | TypeName '.' IDENT              { $$ = pc.Dotted($1, $3); }
  ;
FunctionBody
  : '{' StatementList '}'           { $$ = $2; }
  | '{' '}'                         { $$ = nullptr; }
  ;
/* A function declared inside a function or a block is a local of the function around it. */
Statement
  : EmptyStatement
  | FunctionDecl                    { $$ = $1; }
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
  | LISTING                         { $$ = pc.New<TListingStmtNode>(@1.Line, $1->substr(3)); }
  /* After a syntax error the parse goes on at the next statement, so that one run reports
     several errors; the tree is not compiled. */
  | error ';'                       { $$ = pc.New<TNullStmtNode>(); }
  ;
EmptyStatement
  : ';'                             { $$ = pc.New<TNullStmtNode>(); }
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
  ;

/* Expressions, loosest last: member access and `new` (on the primary forms), calls, postfix
   and prefix operators, the binary levels, the conditional, assignment, the comma list. Each
   operand climbs the levels one reduction at a time, so the levels are as few as the
   precedences allow: the primary forms are members' first alternatives, and the postfix
   operators sit with the prefix ones. */
MemberExpr
  : IDENT                           { $$ = pc.NameLvalue($1); }
  | PATH                            { $$ = pc.PathLvalue($1); }
  | EVAL '(' Expression ')'         { $$ = pc.ComputedLvalue(nullptr, $3); }
  | '(' Expression ')'              { $$ = $2; }
  | ArrayLiteral                    { $$ = $1; }
  | ObjectLiteral                   { $$ = $1; }
  | FunctionExpr                    { $$ = $1; }
  | NUMBER                          { $$ = pc.New<TNumberNode>($1); }
  | STRING                          { $$ = pc.New<TStrNode>($1); }
  | NULL                            { $$ = pc.New<TStrNode>(kNullId); }
  | UNDEFINED                       { $$ = pc.New<TStrNode>(kUndefinedId); }
  | TRUE                            { $$ = pc.New<TStrNode>(kTrueId); }
  | FALSE                           { $$ = pc.New<TStrNode>(kFalseId); }
  | MemberExpr '.' MemberName       { $$ = pc.MemberLvalue($1, $3); }
  | MemberExpr '[' Expression ']'   { $$ = pc.ComputedLvalue($1, $3); }
  /* `new X(a).m()`: the arguments belong to `new`, the member to the new object. */
  | NEW MemberExpr Arguments        { $$ = pc.NewCall($2, $3); }
  ;
/* `new X` without arguments. */
NewExpr
  : MemberExpr
  | NEW NewExpr                     { $$ = pc.NewCall($2, pc.New<TExprListNode>()); }
  ;
CallExpr
  : MemberExpr Arguments            { $$ = pc.CallOf($1, $2); }
  | CallExpr Arguments              { $$ = pc.CallOf($1, $2); }
  | CallExpr '.' MemberName         { $$ = pc.MemberLvalue($1, $3); }
  | CallExpr '[' Expression ']'     { $$ = pc.ComputedLvalue($1, $3); }
  ;
Arguments
  : '(' ArgList ')'                 { $$ = $2; }
  ;
/* After a dot, as a key and as a method's name the Flash 4 word operators are plain names
   (`list.add(x)`, `function add(x)`). */
MemberName
  : IDENT
  | SADD                            { $$ = pc.Strings().Intern("add"); }
  | AND                             { if (($$ = pc.WordName(@1, $1)) < 0) YYERROR; }
  | OR                              { if (($$ = pc.WordName(@1, $1)) < 0) YYERROR; }
  | NOT                             { if (($$ = pc.WordName(@1, $1)) < 0) YYERROR; }
  | SEQ                             { $$ = pc.Strings().Intern("eq"); }
  | SNE                             { $$ = pc.Strings().Intern("ne"); }
  | SLT                             { $$ = pc.Strings().Intern("lt"); }
  | SLE                             { $$ = pc.Strings().Intern("le"); }
  | SGT                             { $$ = pc.Strings().Intern("gt"); }
  | SGE                             { $$ = pc.Strings().Intern("ge"); }
  ;
LhsExpr
  : MemberExpr
  | NEW NewExpr                     { $$ = pc.NewCall($2, pc.New<TExprListNode>()); }
  | CallExpr
  ;
Unary
  : LhsExpr
  | LhsExpr INC                     { if (!($$ = pc.Update(@1, $1, kTokInc, true))) YYERROR; }
  | LhsExpr DEC                     { if (!($$ = pc.Update(@1, $1, kTokDec, true))) YYERROR; }
  | INC Unary                       { if (!($$ = pc.Update(@2, $2, kTokInc, false))) YYERROR; }
  | DEC Unary                       { if (!($$ = pc.Update(@2, $2, kTokDec, false))) YYERROR; }
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
  | LhsExpr ASSIGNOP Assignment     { if (!($$ = pc.Assign(@1, $1, $2, $3))) YYERROR; }
  | LhsExpr '=' Assignment          { if (!($$ = pc.Assign(@1, $1, kAssignPlain, $3))) YYERROR; }
  ;
Expression
  : Assignment                      { $$ = pc.ExprList($1, kNodeCommaExpr); }
  | Expression ',' Assignment       { $$ = pc.Append(static_cast<TExprListNode*>($1), $3); }
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
  | '{' PropertyList ',' '}'        { $$ = pc.MarkList($2, kNodeObjectLiteral); }
  | '{' '}'                         { $$ = pc.MarkList(pc.New<TExprListNode>(), kNodeObjectLiteral); }
  ;
PropertyList
  : Property                        { $$ = pc.AppendProperty(pc.New<TExprListNode>(), $1); }
  | PropertyList ',' Property       { $$ = pc.AppendProperty($1, $3); }
  ;
Property
  : PropertyName ':' Assignment     { $$ = pc.New<TPairNode>($3, pc.New<TStrNode>($1)); }
  ;
PropertyName
  : MemberName
  | STRING
  | NUMBER                          { $$ = pc.NumberName($1); }
  ;
VarStatement
  : VAR VarDeclList ';'             { $$ = $2; }
  ;
VarDeclList
  : VarDecl                         { $$ = pc.Append(pc.New<TVarDeclListNode>(), $1); }
  | VarDeclList ',' VarDecl         { $$ = pc.Append($1, $3); }
  ;
VarDecl
  : IDENT TypeOpt '=' Assignment    { $$ = pc.VarDecl($1, $2, $4); }
  | IDENT TypeOpt                   { $$ = pc.VarDecl($1, $2, nullptr); }
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
  | FOR '(' VAR IDENT TypeOpt IN Expression ')'
                                    { $$ = pc.ForIn($4, pc.Single($7)); }
  | FOR '(' IDENT IN Expression ')' { $$ = pc.ForIn($3, pc.Single($5)); }
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
  : WITH '(' Expression ')' Statement
                                    { $$ = pc.New<TWithStmtNode>(pc.Single($3), $5); }
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
/* `dynamic class` and `intrinsic class`: the words are no keywords, so they come as IDENT. */
ClassDecl
  : CLASS QualifiedName ExtendsOpt ImplementsOpt OpenClassScope '{' ClassBody '}'
                                    { $$ = pc.ClassDecl($2, $3, $4, $7); }
  | IDENT CLASS QualifiedName ExtendsOpt ImplementsOpt OpenClassScope '{' ClassBody '}'
                                    { if (!($$ = pc.ClassDecl($3, $4, $5, $8, @1, $1))) YYERROR; }
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
/* Members, each optionally followed by semicolons; a class may have none. */
ClassBody
  : %empty                          { $$ = pc.New<TClassBodyNode>(); }
  | ClassBody ClassMember           { $$ = $1; pc.AddMember($$, $2); }
  | ClassBody ';'                   { $$ = $1; }
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
  | InterfaceBody ';'
  ;
MethodSignature
  : FUNCTION IDENT '(' ParamList ')' TypeOpt ';'
  ;

%%

namespace fc {
namespace {

// The rule `EmptyStatement: ';'`, found once in the tables.
int EmptyStatementRule() {
  static const int rule = [] {
    for (int r = 1; r <= YYNRULES; ++r)
      if (yyr1[r] == YYSYMBOL_EmptyStatement) return r;
    return -1;
  }();
  return rule;
}

// What the parser would do with `token` next, found by running its tables on a copy of the
// state stack (no action runs): whether it would shift the token (after the reductions the
// token causes); the state on top just before that shift; and whether the token would at once
// make an empty statement.
struct TLookahead {
  bool Shifted = false;
  int TopState = 0;
  bool EmptyStatement = false;
};

// Whether the state shifts the token without any reduction first (no copy of the stack needed).
bool ShiftsAtOnce(int state, int token) {
  const int n = yypact[state];
  if (yypact_value_is_default(n)) return false;
  const int i = n + YYTRANSLATE(token);
  return 0 <= i && i <= YYLAST && yycheck[i] == YYTRANSLATE(token) && yytable[i] > 0;
}

// `states` is the parser's state stack; `stack` is where it is copied to run on.
TLookahead TryToken(const std::vector<int>& states, int token, std::vector<int>& stack) {
  stack.assign(states.begin(), states.end());
  const int symbol = YYTRANSLATE(token);
  TLookahead result;
  for (;;) {
    const int state = stack.back();
    int rule;
    int n = yypact[state];
    if (yypact_value_is_default(n)) {
      rule = yydefact[state];
    } else if (n += symbol; n < 0 || YYLAST < n || yycheck[n] != symbol) {
      rule = yydefact[state];
    } else if (n = yytable[n]; n > 0) {
      result.Shifted = true;
      result.TopState = state;
      result.EmptyStatement = yypact_value_is_default(yypact[n]) && yydefact[n] == EmptyStatementRule();
      return result;
    } else if (yytable_value_is_error(n)) {
      return result;
    } else {
      rule = -n;
    }
    if (rule == 0) return result;  // an error
    if (state == YYFINAL) {
      result.Shifted = token == 0;
      return result;
    }
    const auto length = static_cast<size_t>(yyr2[rule]);
    if (stack.size() <= length) return result;
    stack.resize(stack.size() - length);
    const int lhs = yyr1[rule] - YYNTOKENS;
    const int top = stack.back();
    const int go = yypgoto[lhs] + top;
    stack.push_back(0 <= go && go <= YYLAST && yycheck[go] == top ? yytable[go] : yydefgoto[lhs]);
    if (stack.size() > YYMAXDEPTH) return result;
  }
}

// What a syntax error message says the constructs before it are, by the grammar's symbol.
constexpr std::pair<std::string_view, std::string_view> kConstructNames[] = {
    {"ArgList", "the arguments"}, {"Arguments", "the arguments"}, {"ParamList", "the parameters"},
    {"Param", "the parameters"}, {"Expression", "the expression"}, {"Assignment", "the expression"},
    {"Conditional", "the expression"}, {"Binary", "the expression"}, {"Unary", "the expression"},
    {"LhsExpr", "the expression"}, {"CallExpr", "the expression"}, {"MemberExpr", "the expression"},
    {"NewExpr", "the expression"},
    {"PropertyList", "the properties"}, {"EventList", "the events"}, {"VarDeclList", "the declaration"},
    {"VarDecl", "the declaration"}, {"TypeName", "the type"}, {"TypeOpt", "the type"},
    {"QualifiedName", "the name"}, {"StatementList", "the statements"}, {"ClassBody", "the class body"},
    {"CaseList", "the cases"},
};

// Tokens an error message may offer as the ones expected: those that close or separate, and
// a name where nothing else fits.
constexpr int kExpectable[] = {')', ']', '}', ';', ',', ':', '{'};

}  // namespace

int ParseTokens(TParserContext& pc) {
  try {
    return as_parse(pc);
  } catch (...) {
    pc.SetNodePlace(nullptr);  // the parser's variables go with the exception
    throw;
  }
}

}  // namespace fc

template <typename TState>
int LexToken(AS_STYPE* value, fc::TTokenPlace* pos, fc::TParserContext& pc, const TState* bottom, const TState* top,
             const fc::TTokenPlace* rule_place) {
  using namespace fc;
  TParserContext::TTokenFeed& feed = pc.Feed;
  feed.Bottom = bottom;
  pc.SetNodePlace(rule_place);
  int code;
  if (feed.Pending) {  // the token a put-back semicolon went before
    feed.Pending = false;
    code = feed.PendingCode;
  } else {
    // After the 20th error the input ends: the parse stops there.
    code = pc.ErrorCount() >= TParserContext::kMaxErrors ? 0 : pc.NextToken(pc.Token());
    if (code < 0) code = 0;
    // A left-out semicolon: the token cannot come here, but it follows a line break, a
    // closing brace or ends the text, and a semicolon could stand here without making an
    // empty statement. After `return`, `break` and `continue` a line break always ends the
    // statement, and so it does before `++` and `--`, as in ECMAScript.
    const int previous = feed.Previous;
    const bool newline = pc.NewlineBefore();
    if ((newline || previous == '}' || code == '}' || code == 0) && previous >= 0 && previous != ';') {
      const bool restricted = newline && (previous == kTokReturn || previous == kTokBreak ||
                                          previous == kTokContinue || code == kTokInc || code == kTokDec);
      if (!restricted && ShiftsAtOnce(*top, code)) {
        // the usual case: the parser takes the token as it stands
      } else if (feed.States.assign(bottom, top + 1); restricted || !TryToken(feed.States, code, feed.Scratch).Shifted) {
        const TLookahead semicolon = TryToken(feed.States, ';', feed.Scratch);
        // Never one of the two semicolons of a `for (;;)` header.
        const int before = semicolon.Shifted ? yystos[semicolon.TopState] : 0;
        const bool in_for_header = before == YYSYMBOL_ForInit || before == YYSYMBOL_ForCondition;
        if (semicolon.Shifted && !semicolon.EmptyStatement && !in_for_header) {
          feed.Pending = true;
          feed.PendingCode = code;
          *pos = pc.TokenPlace();
          feed.Previous = ';';
          return ';';
        }
      }
    }
  }
  const TTokenValue& token = pc.Token();
  switch (code) {
    case kTokString:
    case kTokIdent:
    case kTokPath:
    case kTokAnd:
    case kTokOr:
    case kTokNot: value->id = token.ID; break;
    case kTokNumber: value->num = token.Number; break;
    case kTokAssignOp: value->op = token.Op; break;
    case kTokListing: value->text = pc.KeepText(std::move(pc.Token().Text)); break;
    default: break;
  }
  *pos = pc.TokenPlace();
  feed.Previous = code;
  return code;
}

// Reports a syntax error with what the parser expected there, where few tokens could come.
static int yyreport_syntax_error(const yypcontext_t* context, fc::TParserContext& pc) {
  using namespace fc;
  const auto* bottom = static_cast<const yy_state_t*>(pc.Feed.Bottom);
  const yy_state_t* top = context->yyssp;
  std::vector<int> states(bottom, top + 1), scratch;
  std::vector<std::string> expected;
  std::string_view after;
  for (int token : kExpectable) {
    const TLookahead lookahead = TryToken(states, token, scratch);
    if (!lookahead.Shifted) continue;
    expected.push_back(TokenName(token));
    const std::string_view symbol = yysymbol_name(static_cast<yysymbol_kind_t>(yystos[lookahead.TopState]));
    for (const auto& [name, text] : kConstructNames)
      if (name == symbol && after.empty()) after = text;
  }
  // Where an expression could begin, a '{' would be an object literal: say what is meant.
  if (TryToken(states, kTokNumber, scratch).Shifted) {
    std::erase(expected, TokenName('{'));
    if (expected.empty()) expected.push_back("an expression");
  } else if (expected.empty() && TryToken(states, kTokIdent, scratch).Shifted) {
    expected.push_back("IDENT");
  }
  constexpr size_t kMostListed = 3;
  if (expected.size() > kMostListed) {
    expected.clear();
    after = {};
  }
  // The expectations come from TryToken, which can tell what each would end; Bison's own list
  // is not used.
  (void)yypcontext_expected_tokens;
  pc.UnexpectedToken(*yypcontext_location(context), expected, after);
  return 0;
}
