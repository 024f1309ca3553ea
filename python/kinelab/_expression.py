"""Arithmetic over named numbers for sweep descriptions: numbers, names, + - * / // % **, unary
minus, and a few functions of math. Parsed with ast and checked against that list, so a
description never runs code of its own."""
import ast
import math
import operator

_BINARY = {
    ast.Add: operator.add,
    ast.Sub: operator.sub,
    ast.Mult: operator.mul,
    ast.Div: operator.truediv,
    ast.FloorDiv: operator.floordiv,
    ast.Mod: operator.mod,
    ast.Pow: operator.pow,
}
_UNARY = {ast.USub: operator.neg, ast.UAdd: operator.pos}
FUNCTIONS = {
    "abs": abs, "min": min, "max": max, "sqrt": math.sqrt, "exp": math.exp, "log": math.log,
    "log10": math.log10, "sin": math.sin, "cos": math.cos, "tan": math.tan, "asin": math.asin,
    "acos": math.acos, "atan": math.atan, "atan2": math.atan2, "hypot": math.hypot,
    "radians": math.radians, "degrees": math.degrees,
}
CONSTANTS = {"pi": math.pi, "e": math.e}


class ExpressionError(ValueError):
    pass


class Expression:
    """`text` checked once; names() the values it reads; calling it with a dict of them gives
    a float, or ExpressionError (division by zero, a domain error, an overflow)."""

    def __init__(self, text):
        if not isinstance(text, str):
            raise ExpressionError("an expression is a text")
        try:
            tree = ast.parse(text, mode="eval")
        except SyntaxError:
            raise ExpressionError(f"not an expression: {text}") from None
        self.text = text
        self._names = set()
        self._check(tree.body)
        self._tree = tree.body

    def names(self):
        return set(self._names)

    def _check(self, node):
        if isinstance(node, ast.Constant):
            if isinstance(node.value, bool) or not isinstance(node.value, (int, float)):
                raise ExpressionError(f"only numbers and names: {ast.unparse(node)}")
        elif isinstance(node, ast.Name):
            if node.id not in CONSTANTS:
                self._names.add(node.id)
        elif isinstance(node, ast.BinOp) and type(node.op) in _BINARY:
            self._check(node.left)
            self._check(node.right)
        elif isinstance(node, ast.UnaryOp) and type(node.op) in _UNARY:
            self._check(node.operand)
        elif (isinstance(node, ast.Call) and isinstance(node.func, ast.Name)
              and node.func.id in FUNCTIONS and not node.keywords and node.args):
            for a in node.args:
                self._check(a)
        else:
            raise ExpressionError(
                f"not allowed in an expression: {ast.unparse(node)} (numbers, names, "
                f"+ - * / // % **, and {', '.join(sorted(FUNCTIONS))})")

    def __call__(self, values):
        try:
            result = float(self._eval(self._tree, values))
        except (ArithmeticError, ValueError, TypeError) as e:
            raise ExpressionError(f"{self.text}: {e}") from None
        if not math.isfinite(result):
            raise ExpressionError(f"{self.text}: not a finite number")
        return result

    def _eval(self, node, values):
        if isinstance(node, ast.Constant):
            return float(node.value)  # floats throughout: 10 ** 10 ** 10 overflows at once
        if isinstance(node, ast.Name):
            if node.id in CONSTANTS:
                return CONSTANTS[node.id]
            v = values.get(node.id)
            if v is None:
                raise ValueError(f"{node.id} has no value")
            return float(v)
        if isinstance(node, ast.BinOp):
            return _BINARY[type(node.op)](self._eval(node.left, values),
                                         self._eval(node.right, values))
        if isinstance(node, ast.UnaryOp):
            return _UNARY[type(node.op)](self._eval(node.operand, values))
        return FUNCTIONS[node.func.id](*(self._eval(a, values) for a in node.args))
