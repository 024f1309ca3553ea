<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB">
<context>
    <name>caption</name>
    <message>
        <source> β２</source>
        <translation> β2</translation>
    </message>
    <message>
        <source>3次曲線</source>
        <translation>cubic curve</translation>
    </message>
    <message>
        <source>２次曲線</source>
        <translation>quadratic curve</translation>
    </message>
    <message>
        <source>５次曲線</source>
        <translation>quintic curve</translation>
    </message>
    <message>
        <source>等速曲線</source>
        <translation>constant velocity</translation>
    </message>
    <message>
        <source>X回転(deg)</source>
        <translation>X rotation (deg)</translation>
    </message>
    <message>
        <source>Y回転(deg)</source>
        <translation>Y rotation (deg)</translation>
    </message>
    <message>
        <source>Z回転(deg)</source>
        <translation>Z rotation (deg)</translation>
    </message>
    <message>
        <source>α１</source>
        <translation>α1</translation>
    </message>
    <message>
        <source>α１,α３</source>
        <translation>α1,α3</translation>
    </message>
    <message>
        <source>α３</source>
        <translation>α3</translation>
    </message>
    <message>
        <source>β１</source>
        <translation>β1</translation>
    </message>
    <message>
        <source>β１,β３</source>
        <translation>β1,β3</translation>
    </message>
    <message>
        <source>β２</source>
        <translation>β2</translation>
    </message>
    <message>
        <source>β３</source>
        <translation>β3</translation>
    </message>
    <message>
        <source>γ１,γ3</source>
        <translation>γ1,γ3</translation>
    </message>
    <message>
        <source>①　（X,Y,Z)＝（ｘ、ｙ、ｚ）＊［T］　ただし行列［Ｔ］は回転行列でαとβとγの関数</source>
        <translation>(1) (X,Y,Z) = (x, y, z) * [T], where the matrix [T] is the rotation matrix, a function of α, β and γ</translation>
    </message>
    <message>
        <source>②　（ｄX,ｄY,ｄZ)＝（ｄｘ、ｄｙ、ｄｚ）＊［T］＋（ｘ、ｙ、ｚ）＊［ｄＴ］</source>
        <translation>(2) (dX,dY,dZ) = (dx, dy, dz) * [T] + (x, y, z) * [dT]</translation>
    </message>
    <message>
        <source>③　（ｄｄX,ｄｄY,ｄｄZ)＝（ｄｄｘ、ｄｄｙ、ｄｄｚ）＊［T］＋２＊（ｄｘ、ｄｙ、ｄｚ）＊［ｄＴ］＋（ｘ、ｙ、ｚ）＊［ｄｄＴ］</source>
        <translation>(3) (ddX,ddY,ddZ) = (ddx, ddy, ddz) * [T] + 2 * (dx, dy, dz) * [dT] + (x, y, z) * [ddT]</translation>
    </message>
    <message>
        <source>ニュートン・ラプソン法</source>
        <translation>Newton–Raphson method</translation>
    </message>
    <message>
        <source>ピッチ</source>
        <translation>pitch</translation>
    </message>
    <message>
        <source>ピッチ(deg)</source>
        <translation>pitch (deg)</translation>
    </message>
    <message>
        <source>ヨー</source>
        <translation>yaw</translation>
    </message>
    <message>
        <source>ヨー(deg)</source>
        <translation>yaw (deg)</translation>
    </message>
    <message>
        <source>ロール</source>
        <translation>roll</translation>
    </message>
    <message>
        <source>ロール(deg)</source>
        <translation>roll (deg)</translation>
    </message>
    <message>
        <source>ユニット内逆運動学</source>
        <translation>in-unit inverse kinematics</translation>
    </message>
    <message>
        <source>リンク棒長さ＝</source>
        <translation>link rod length =</translation>
    </message>
    <message>
        <source>以上のことをＥが十分ゼロに近づくまで繰り返す。。</source>
        <translation>Repeat this until E is close enough to zero.</translation>
    </message>
    <message>
        <source>偏差E＝０－ｆ（ｘ）とすると、Δｆ（ｘ）＝df(x)*dx＝Ｅとなるようにｘを変化させる。</source>
        <translation>With the deviation E = 0 − f(x), x is changed so that Δf(x) = df(x)*dx = E.</translation>
    </message>
    <message>
        <source>入力</source>
        <translation>input</translation>
    </message>
    <message>
        <source>入力　　       　出力</source>
        <translation>input         output</translation>
    </message>
    <message>
        <source>出力</source>
        <translation>output</translation>
    </message>
    <message>
        <source>出力P</source>
        <translation>output P</translation>
    </message>
    <message>
        <source>出力Pｘ</source>
        <translation>output Px</translation>
    </message>
    <message>
        <source>出力Pｙ</source>
        <translation>output Py</translation>
    </message>
    <message>
        <source>出力Pｚ</source>
        <translation>output Pz</translation>
    </message>
    <message>
        <source>初期値</source>
        <translation>initial value</translation>
    </message>
    <message>
        <source>動座標と静止座標の変換を行う。</source>
        <translation>Converts between moving and static coordinates.</translation>
    </message>
    <message>
        <source>動座標は静止座標のX軸を中心にαrad回転、回転後のY軸中心にβrad回転、そのまた回転後のZ軸中心にγradだけ回転したものとする。</source>
        <translation>The moving frame is the static frame turned by α rad about its X axis, then by β rad about the turned Y axis, then by γ rad about the Z axis turned once more.</translation>
    </message>
    <message>
        <source>空間上の点Pが動座標から見て（ｘ、ｙ、ｚ）、静止座標系から見て（X,Y,Z)とすると、次式が成り立つ。</source>
        <translation>If a point P in space is (x, y, z) seen from the moving frame and (X,Y,Z) seen from the static frame, the following holds.</translation>
    </message>
    <message>
        <source>姿勢角を回転行列に変換し、それをまた姿勢角に戻す。βが９０（1.5707963rad)に近いほど誤差が大きくなる。</source>
        <translation>Converts the posture angles into a rotation matrix and back into posture angles. The closer β is to 90 (1.5707963 rad), the larger the error.</translation>
    </message>
    <message>
        <source>ｆ（ｘ）＝ｘ^2－sin(ｘ)とし、ｆの目標値を０とする。</source>
        <translation>Let f(x) = x^2 − sin(x), with 0 as the target of f.</translation>
    </message>
    <message>
        <source>ｙ＝ｘ^2とｙ＝sin(ｘ)との交点のｘ値を求める。ただし解は２つ。</source>
        <translation>Finds the x where y = x^2 and y = sin(x) meet. There are two solutions.</translation>
    </message>
    <message>
        <source>動座標系</source>
        <translation>moving frame</translation>
    </message>
    <message>
        <source>静止座標系</source>
        <translation>static frame</translation>
    </message>
    <message>
        <source>動画</source>
        <translation>animation</translation>
    </message>
    <message>
        <source>原点間距離</source>
        <translation>distance between origins</translation>
    </message>
    <message>
        <source>変位誤差</source>
        <translation>displacement tolerance</translation>
    </message>
    <message>
        <source>許容誤差</source>
        <translation>tolerance</translation>
    </message>
    <message>
        <source>実行</source>
        <translation>Execute</translation>
    </message>
    <message>
        <source>時間</source>
        <translation>time</translation>
    </message>
    <message>
        <source>座標変換テスト</source>
        <translation>coordinate transformation test</translation>
    </message>
    <message>
        <source>角度関数テスト</source>
        <translation>angle function test</translation>
    </message>
    <message>
        <source>直列３R逆運動学(ニュートンラプソン法)</source>
        <translation>serial 3R inverse kinematics (Newton–Raphson)</translation>
    </message>
    <message>
        <source>直列３R順運動学</source>
        <translation>serial 3R forward kinematics</translation>
    </message>
    <message>
        <source>直列６R逆運動学(ニュートンラプソン法)</source>
        <translation>serial 6R inverse kinematics (Newton–Raphson)</translation>
    </message>
    <message>
        <source>直列６R順運動学(DENDO VC-6353)</source>
        <translation>serial 6R forward kinematics (DENDO VC-6353)</translation>
    </message>
    <message>
        <source>第4</source>
        <translation>4th</translation>
    </message>
    <message>
        <source>第5</source>
        <translation>5th</translation>
    </message>
    <message>
        <source>第6</source>
        <translation>6th</translation>
    </message>
    <message>
        <source>第１節</source>
        <translation>1st</translation>
    </message>
    <message>
        <source>第１関節</source>
        <translation>1st joint</translation>
    </message>
    <message>
        <source>第２</source>
        <translation>2nd</translation>
    </message>
    <message>
        <source>第３</source>
        <translation>3rd</translation>
    </message>
    <message>
        <source>逆運動学</source>
        <translation>inverse kinematics</translation>
    </message>
    <message>
        <source>逆運動学（ニュートンラプソン法）</source>
        <translation>inverse kinematics (Newton–Raphson)</translation>
    </message>
    <message>
        <source>順運動学</source>
        <translation>forward kinematics</translation>
    </message>
    <message>
        <source>順運動学（ニュートンラプソン法）</source>
        <translation>forward kinematics (Newton–Raphson)</translation>
    </message>
    <message>
        <source>４段順運動学</source>
        <translation>four-stage forward kinematics</translation>
    </message>
    <message>
        <source>静←動</source>
        <translation>static ← moving</translation>
    </message>
    <message>
        <source>静→動</source>
        <translation>static → moving</translation>
    </message>
    <message>
        <source>Ｅ</source>
        <translation>E</translation>
    </message>
    <message>
        <source>Ｘ</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Ｘ　　　　　　　　　　　Ｅ</source>
        <translation>X           E</translation>
    </message>
    <message>
        <source>ｄα</source>
        <translation>dα</translation>
    </message>
    <message>
        <source>ｄβ</source>
        <translation>dβ</translation>
    </message>
    <message>
        <source>ｄγ</source>
        <translation>dγ</translation>
    </message>
    <message>
        <source>ｄｄα</source>
        <translation>ddα</translation>
    </message>
    <message>
        <source>ｄｄβ</source>
        <translation>ddβ</translation>
    </message>
    <message>
        <source>ｄｄγ</source>
        <translation>ddγ</translation>
    </message>
    <message>
        <source>機構選択</source>
        <translation>mechanisms</translation>
    </message>
    <message>
        <source>シリアル機構(垂直多関節)</source>
        <translation>serial mechanisms (vertical articulated)</translation>
    </message>
    <message>
        <source>スチュワート機構(６軸)</source>
        <translation>Stewart mechanism (6 axes)</translation>
    </message>
    <message>
        <source>dravik機構（３軸）</source>
        <translation>dravik mechanism (3 axes)</translation>
    </message>
    <message>
        <source>selvo機構（６軸）</source>
        <translation>selvo mechanism (6 axes)</translation>
    </message>
    <message>
        <source>orvak機構(脊椎型)</source>
        <translation>orvak mechanism (spine type)</translation>
    </message>
    <message>
        <source>zelko機構(腕足型)</source>
        <translation>zelko mechanism (limb type)</translation>
    </message>
    <message>
        <source>作業領域</source>
        <translation>workspace</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>settings</translation>
    </message>
    <message>
        <source>関数テスト</source>
        <translation>function tests</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>exit</translation>
    </message>
    <message>
        <source>サイクルタイム(秒)＝</source>
        <translation>cycle time (s) =</translation>
    </message>
    <message>
        <source>時分割数＝</source>
        <translation>time divisions =</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ </source>
        <translation>Version </translation>
    </message>
    <message>
        <source>１回</source>
        <translation>step 1</translation>
    </message>
    <message>
        <source>２回</source>
        <translation>step 2</translation>
    </message>
    <message>
        <source>３回</source>
        <translation>step 3</translation>
    </message>
    <message>
        <source>４回</source>
        <translation>step 4</translation>
    </message>
    <message>
        <source>５回</source>
        <translation>step 5</translation>
    </message>
    <message>
        <source>６回</source>
        <translation>step 6</translation>
    </message>
    <message>
        <source>７回</source>
        <translation>step 7</translation>
    </message>
    <message>
        <source>８回</source>
        <translation>step 8</translation>
    </message>
    <message>
        <source>９回</source>
        <translation>step 9</translation>
    </message>
</context>
</TS>
