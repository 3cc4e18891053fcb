{ Prints test vectors for zel's fixed-width real-to-text conversion, produced by
  Free Pascal's own Str(x:W:D, s) on Extended values, an independent
  implementation of the same conversion. Each line:
    SSSS MMMMMMMMMMMMMMMM W D |text|
  with SSSS the sign/exponent word and M the 64-bit mantissa of the 80-bit
  value in hexadecimal; D = -2 asks for the exponent form (Str(x:W, s)).
  The driver gen_realstr_vectors.sh filters the cases where Free Pascal's
  digit rules differ from zel's (see there). Deterministic: fixed seed. }
program gen_realstr_vectors;
{$mode objfpc}
uses SysUtils;

type
  TExtBits = packed record
    Mant: QWord;
    SE: Word;
  end;

var
  State: QWord = QWord($9E3779B97F4A7C15);

function NextRand: QWord;
begin
  State := State xor (State shl 13);
  State := State xor (State shr 7);
  State := State xor (State shl 17);
  Result := State;
end;

function Below(N: QWord): Int64;
begin
  Result := Int64(NextRand mod N);
end;

function MakeExt(Neg: Boolean; Biased: Integer; Mant: QWord): Extended;
var
  B: TExtBits;
begin
  B.Mant := Mant;
  B.SE := Word(Biased);
  if Neg then B.SE := B.SE or $8000;
  Move(B, Result, SizeOf(B));
end;

procedure Emit(X: Extended; W, D: Integer);
var
  S: string;
  B: TExtBits;
begin
  if D < 0 then Str(X: W, S) else Str(X: W: D, S);
  Move(X, B, SizeOf(B));
  WriteLn(IntToHex(B.SE, 4), ' ', IntToHex(B.Mant, 16), ' ', W, ' ', D, ' |', S, '|');
end;

var
  I, K: Integer;
  X: Extended;
  N: Int64;
begin
  { Random mantissas, magnitudes about 1e-23 .. 1e24, plain form. }
  for I := 1 to 5000 do
    Emit(MakeExt(Below(2) = 1, 16383 + Integer(Below(156)) - 76, NextRand or QWord($8000000000000000)),
         Below(31), Below(21));
  { Decimal-looking values n / 10^k, plain form. }
  for I := 1 to 3000 do
  begin
    N := Below(1000000000);
    K := Below(10);
    X := N;
    while K > 0 do
    begin
      X := X / 10;
      Dec(K);
    end;
    if Below(2) = 1 then X := -X;
    Emit(X, Below(21), Below(13));
  end;
  { Whole exponent range, exponent form. }
  for I := 1 to 4000 do
    Emit(MakeExt(Below(2) = 1, 1 + Integer(Below(32766)), NextRand or QWord($8000000000000000)),
         Below(27), -2);
  { Moderate magnitudes in exponent form, the shape callers use most. }
  for I := 1 to 2000 do
    Emit(MakeExt(Below(2) = 1, 16383 + Integer(Below(200)) - 100, NextRand or QWord($8000000000000000)),
         Below(27), -2);
  { Denormals. }
  for I := 1 to 200 do
    Emit(MakeExt(Below(2) = 1, 0, NextRand shr Below(64)), Below(27), -2);
  { Small integers and zero. }
  for I := 0 to 200 do
    Emit(I - 100, Below(12), Below(4));
end.
