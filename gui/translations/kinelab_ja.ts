<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>kinelab::sim_tools</name>
    <message>
        <source>diagnostics</source>
        <translation>診断</translation>
    </message>
    <message>
        <source>derivative check</source>
        <translation>微分の検査</translation>
    </message>
    <message>
        <source>compare profiles</source>
        <translation>曲線の比較</translation>
    </message>
    <message>
        <source>drawing as SVG…</source>
        <translation>図を SVG で…</translation>
    </message>
    <message>
        <source>drawing as PNG…</source>
        <translation>図を PNG で…</translation>
    </message>
    <message>
        <source>arrays as CSV…</source>
        <translation>配列を CSV で…</translation>
    </message>
    <message>
        <source>export</source>
        <translation>書き出し</translation>
    </message>
    <message>
        <source>drawing</source>
        <translation>図</translation>
    </message>
    <message>
        <source>trajectory arrays</source>
        <translation>軌道の配列</translation>
    </message>
    <message>
        <source>save the %1</source>
        <translation>%1の保存</translation>
    </message>
    <message>
        <source>%1 saved as %2</source>
        <translation>%1を %2 に保存しました</translation>
    </message>
    <message>
        <source>%1 was not written: %2</source>
        <translation>%1 は書き込めませんでした: %2</translation>
    </message>
    <message>
        <source>the window has no drawing</source>
        <translation>このウィンドウには図がありません</translation>
    </message>
    <message>
        <source>the drawing could not be encoded</source>
        <translation>図を画像に変換できませんでした</translation>
    </message>
    <message>
        <source>the profiles were not compared: %1</source>
        <translation>曲線を比較できませんでした: %1</translation>
    </message>
    <message>
        <source>start and stop of the window under each profile; N = %1, T = %2 s; rates and accelerations per second</source>
        <translation>ウィンドウの始点と終点を各曲線で動かしたときの値。N = %1、T = %2 秒。速度と加速度は毎秒</translation>
    </message>
    <message>
        <source>%1 — profiles</source>
        <translation>%1 — 曲線の比較</translation>
    </message>
    <message>
        <source>quantity</source>
        <translation>量</translation>
    </message>
    <message>
        <source>profile</source>
        <translation>曲線</translation>
    </message>
    <message>
        <source>peak rate (/s)</source>
        <translation>最大速度 (/s)</translation>
    </message>
    <message>
        <source>peak acceleration (/s²)</source>
        <translation>最大加速度 (/s²)</translation>
    </message>
    <message>
        <source>acceleration jump at the start (/s²)</source>
        <translation>始点の加速度の跳び (/s²)</translation>
    </message>
    <message>
        <source>acceleration jump at the end (/s²)</source>
        <translation>終点の加速度の跳び (/s²)</translation>
    </message>
    <message>
        <source>rate jump at the start (/s)</source>
        <translation>始点の速度の跳び (/s)</translation>
    </message>
    <message>
        <source>rate jump at the end (/s)</source>
        <translation>終点の速度の跳び (/s)</translation>
    </message>
    <message>
        <source>Copy as tab-separated text</source>
        <translation>タブ区切りでコピー</translation>
    </message>
    <message>
        <source>workspace and singularity atlas</source>
        <translation>作業領域と特異点の地図</translation>
    </message>
    <message>
        <source>save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>save this window's setup as a study</source>
        <translation>この窓の設定をスタディとして保存します</translation>
    </message>
    <message>
        <source>study</source>
        <translation>スタディ</translation>
    </message>
    <message>
        <source>set this window up from a study or an exported CSV</source>
        <translation>スタディ、または書き出した CSV から設定を読み込みます</translation>
    </message>
    <message>
        <source>study opened from %1</source>
        <translation>%1 からスタディを開きました</translation>
    </message>
    <message>
        <source>open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>open a study</source>
        <translation>スタディを開く</translation>
    </message>
    <message>
        <source>kinelab study (*%1)</source>
        <translation>kinelab スタディ (*%1)</translation>
    </message>
    <message>
        <source>exported CSV (*.csv)</source>
        <translation>書き出した CSV (*.csv)</translation>
    </message>
    <message>
        <source>all files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
</context>
<context>
    <name>kinelab::start_menu</name>
    <message>
        <source>recent mechanisms</source>
        <translation>最近使った機構</translation>
    </message>
    <message>
        <source>clear the list</source>
        <translation>履歴を消去</translation>
    </message>
    <message>
        <source>%1 no longer exists: removed from the recent mechanisms</source>
        <translation>%1 はもうありません: 最近使った機構から外しました</translation>
    </message>
    <message>
        <source>open a mechanism…</source>
        <translation>機構を開く…</translation>
    </message>
    <message>
        <source>open a mechanism file</source>
        <translation>機構ファイルを開く</translation>
    </message>
    <message>
        <source>mechanism file (*.json *.urdf)</source>
        <translation>機構ファイル (*.json *.urdf)</translation>
    </message>
    <message>
        <source>The mechanism file cannot be opened.</source>
        <translation>機構ファイルを開けません。</translation>
    </message>
    <message>
        <source>kinelab project</source>
        <translation>kinelab プロジェクト</translation>
    </message>
    <message>
        <source>kinematics study tool for spatial mechanisms</source>
        <translation>空間機構の運動学学習ツール</translation>
    </message>
    <message>
        <source>open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>open a study</source>
        <translation>スタディを開く</translation>
    </message>
    <message>
        <source>kinelab study (*%1)</source>
        <translation>kinelab スタディ (*%1)</translation>
    </message>
    <message>
        <source>exported CSV (*.csv)</source>
        <translation>書き出した CSV (*.csv)</translation>
    </message>
    <message>
        <source>all files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <source>The study cannot be opened.</source>
        <translation>スタディを開けません。</translation>
    </message>
</context>
<context>
    <name>kinelab::banner_picture</name>
    <message>
        <source>kinematics of spatial mechanisms</source>
        <translation>空間機構の運動学</translation>
    </message>
</context>
<context>
    <name>kinelab::window_widget</name>
    <message>
        <source>Running…</source>
        <translation>計算中…</translation>
    </message>
</context>
<context>
    <name>kinelab::workspace_panel</name>
    <message>
        <source>position</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>posture</source>
        <translation>姿勢</translation>
    </message>
    <message>
        <source>the current pose&apos;s</source>
        <translation>現在の姿勢の値</translation>
    </message>
    <message>
        <source>mode</source>
        <translation>種類</translation>
    </message>
    <message>
        <source>plane</source>
        <translation>平面</translation>
    </message>
    <message>
        <source>offset</source>
        <translation>断面の位置</translation>
    </message>
    <message>
        <source>cells</source>
        <translation>セル数</translation>
    </message>
    <message>
        <source>actuator</source>
        <translation>アクチュエータ</translation>
    </message>
    <message>
        <source>low</source>
        <translation>下限</translation>
    </message>
    <message>
        <source>high</source>
        <translation>上限</translation>
    </message>
    <message>
        <source>limits (lengths, or degrees for a joint)</source>
        <translation>制限（長さ、関節は度）</translation>
    </message>
    <message>
        <source>limits from the Run</source>
        <translation>Run から制限を取る</translation>
    </message>
    <message>
        <source>the offset of the slice is not a number: %1</source>
        <translation>断面の位置%1は数値ではありません</translation>
    </message>
    <message>
        <source>a limit of %1 is not a number</source>
        <translation>%1 の制限が数値ではありません</translation>
    </message>
    <message>
        <source>no atlas: %1</source>
        <translation>地図なし: %1</translation>
    </message>
    <message>
        <source>no workspace atlas: %1</source>
        <translation>作業領域の地図なし: %1</translation>
    </message>
    <message>
        <source>computing the workspace atlas…</source>
        <translation>作業領域を計算しています…</translation>
    </message>
</context>
</TS>
