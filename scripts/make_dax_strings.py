#!/usr/bin/env python3
"""Writes res/dax2jpn.rc and res/dax2enc.rc: the string tables of the EXIF reader's languages.

Each row below is one string id with its English and Japanese text. Labels are keyed by tag
number (TIFF 6.0, Exif 2.32 and GPS tags; the English texts are the standards' tag names,
the Japanese ones the standard's Japanese field names). Value names are keyed by the ids the
formatter asks for. Run from the repository root after editing a row; commit both outputs.
"""
import os
import sys

# ---- labels: tag, English tag name, Japanese name ----

TIFF_LABELS = [
    (254, "NewSubfileType", "新規サブファイル種別"),
    (255, "SubfileType", "サブファイル種別"),
    (256, "ImageWidth", "画像の幅"),
    (257, "ImageLength", "画像の高さ"),
    (258, "BitsPerSample", "画像のビットの深さ"),
    (259, "Compression", "圧縮の種類"),
    (262, "PhotometricInterpretation", "画素構成"),
    (263, "Threshholding", "階調処理"),
    (264, "CellWidth", "ディザリングセルの幅"),
    (265, "CellLength", "ディザリングセルの高さ"),
    (266, "FillOrder", "ビットの並び順"),
    (269, "DocumentName", "文書名"),
    (270, "ImageDescription", "画像タイトル"),
    (271, "Make", "画像入力機器のメーカー名"),
    (272, "Model", "画像入力機器のモデル名"),
    (273, "StripOffsets", "画像データのロケーション"),
    (274, "Orientation", "画像方向"),
    (277, "SamplesPerPixel", "コンポーネント数"),
    (278, "RowsPerStrip", "1ストリップあたりの行数"),
    (279, "StripByteCounts", "ストリップのデータ量"),
    (280, "MinSampleValue", "最小サンプル値"),
    (281, "MaxSampleValue", "最大サンプル値"),
    (282, "XResolution", "画像の幅の解像度"),
    (283, "YResolution", "画像の高さの解像度"),
    (284, "PlanarConfiguration", "画像データの並び"),
    (285, "PageName", "ページ名"),
    (286, "XPosition", "画像の横方向の位置"),
    (287, "YPosition", "画像の縦方向の位置"),
    (288, "FreeOffsets", "空き領域のオフセット"),
    (289, "FreeByteCounts", "空き領域のバイト数"),
    (290, "GrayResponseUnit", "グレー応答の単位"),
    (291, "GrayResponseCurve", "グレー応答曲線"),
    (292, "T4Options", "T4オプション"),
    (293, "T6Options", "T6オプション"),
    (296, "ResolutionUnit", "画像の幅と高さの解像度の単位"),
    (297, "PageNumber", "ページ番号"),
    (301, "TransferFunction", "再生階調カーブ特性"),
    (305, "Software", "使用ソフトウェア名"),
    (306, "DateTime", "ファイル変更日時"),
    (315, "Artist", "作者名"),
    (316, "HostComputer", "ホストコンピューター"),
    (317, "Predictor", "予測子"),
    (318, "WhitePoint", "参照白色点の色度座標値"),
    (319, "PrimaryChromaticities", "原色の色度座標値"),
    (320, "ColorMap", "カラーマップ"),
    (321, "HalftoneHints", "ハーフトーンのヒント"),
    (322, "TileWidth", "タイルの幅"),
    (323, "TileLength", "タイルの高さ"),
    (324, "TileOffsets", "タイルのオフセット"),
    (325, "TileByteCounts", "タイルのバイト数"),
    (332, "InkSet", "インクセット"),
    (333, "InkNames", "インク名"),
    (334, "NumberOfInks", "インク数"),
    (336, "DotRange", "ドット範囲"),
    (337, "TargetPrinter", "対象プリンター"),
    (338, "ExtraSamples", "追加サンプル"),
    (339, "SampleFormat", "サンプル形式"),
    (340, "SMinSampleValue", "最小サンプル値(形式別)"),
    (341, "SMaxSampleValue", "最大サンプル値(形式別)"),
    (342, "TransferRange", "再生階調の範囲"),
    (512, "JPEGProc", "JPEG処理方式"),
    (513, "JPEGInterchangeFormat", "JPEGのSOIへのオフセット"),
    (514, "JPEGInterchangeFormatLength", "JPEGデータのバイト数"),
    (515, "JPEGRestartInterval", "JPEGリスタート間隔"),
    (517, "JPEGLosslessPredictors", "JPEGロスレス予測子"),
    (518, "JPEGPointTransforms", "JPEGポイント変換"),
    (519, "JPEGQTables", "JPEG量子化テーブル"),
    (520, "JPEGDCTables", "JPEG DCハフマンテーブル"),
    (521, "JPEGACTables", "JPEG ACハフマンテーブル"),
    (529, "YCbCrCoefficients", "色変換マトリクス係数"),
    (530, "YCbCrSubSampling", "YCCの画素構成(YとCの間引き率)"),
    (531, "YCbCrPositioning", "YCCの画素構成(YとCの位置)"),
    (532, "ReferenceBlackWhite", "参照黒色点値と参照白色点値"),
    (33432, "Copyright", "撮影著作権者/編集著作権者"),
    (34665, "ExifIFDPointer", "Exifタグ"),
    (34853, "GPSInfoIFDPointer", "GPSタグ"),
]

EXIF_LABELS = [
    (33434, "ExposureTime", "露出時間"),
    (33437, "FNumber", "Fナンバー"),
    (34850, "ExposureProgram", "露出プログラム"),
    (34852, "SpectralSensitivity", "スペクトル感度"),
    (34855, "PhotographicSensitivity", "撮影感度"),
    (34856, "OECF", "光電変換関数"),
    (34864, "SensitivityType", "感度種別"),
    (34865, "StandardOutputSensitivity", "標準出力感度"),
    (34866, "RecommendedExposureIndex", "推奨露光指数"),
    (34867, "ISOSpeed", "ISOスピード"),
    (34868, "ISOSpeedLatitudeyyy", "ISOスピードラチチュードyyy"),
    (34869, "ISOSpeedLatitudezzz", "ISOスピードラチチュードzzz"),
    (36864, "ExifVersion", "Exifバージョン"),
    (36867, "DateTimeOriginal", "原画像データの生成日時"),
    (36868, "DateTimeDigitized", "デジタルデータの作成日時"),
    (36880, "OffsetTime", "ファイル変更日時のオフセット時間"),
    (36881, "OffsetTimeOriginal", "原画像データの生成日時のオフセット時間"),
    (36882, "OffsetTimeDigitized", "デジタルデータの作成日時のオフセット時間"),
    (37121, "ComponentsConfiguration", "各コンポーネントの意味"),
    (37122, "CompressedBitsPerPixel", "画像圧縮モード"),
    (37377, "ShutterSpeedValue", "シャッタースピード"),
    (37378, "ApertureValue", "絞り値"),
    (37379, "BrightnessValue", "輝度値"),
    (37380, "ExposureBiasValue", "露光補正値"),
    (37381, "MaxApertureValue", "レンズ最小F値"),
    (37382, "SubjectDistance", "被写体距離"),
    (37383, "MeteringMode", "測光方式"),
    (37384, "LightSource", "光源"),
    (37385, "Flash", "フラッシュ"),
    (37386, "FocalLength", "レンズ焦点距離"),
    (37396, "SubjectArea", "被写体領域"),
    (37500, "MakerNote", "メーカーノート"),
    (37510, "UserComment", "ユーザーコメント"),
    (37520, "SubSecTime", "ファイル変更日時のサブセック"),
    (37521, "SubSecTimeOriginal", "原画像データの生成日時のサブセック"),
    (37522, "SubSecTimeDigitized", "デジタルデータの作成日時のサブセック"),
    (37888, "Temperature", "温度"),
    (37889, "Humidity", "湿度"),
    (37890, "Pressure", "気圧"),
    (37891, "WaterDepth", "水深"),
    (37892, "Acceleration", "加速度"),
    (37893, "CameraElevationAngle", "カメラの仰俯角"),
    (40960, "FlashpixVersion", "対応フラッシュピックスバージョン"),
    (40961, "ColorSpace", "色空間情報"),
    (40962, "PixelXDimension", "実効画像幅"),
    (40963, "PixelYDimension", "実効画像高さ"),
    (40964, "RelatedSoundFile", "関連音声ファイル"),
    (40965, "InteroperabilityIFDPointer", "互換性IFDへのポインタ"),
    (41483, "FlashEnergy", "フラッシュ強度"),
    (41484, "SpatialFrequencyResponse", "空間周波数応答"),
    (41486, "FocalPlaneXResolution", "焦点面の幅の解像度"),
    (41487, "FocalPlaneYResolution", "焦点面の高さの解像度"),
    (41488, "FocalPlaneResolutionUnit", "焦点面解像度単位"),
    (41492, "SubjectLocation", "被写体位置"),
    (41493, "ExposureIndex", "露出インデックス"),
    (41495, "SensingMethod", "センサー方式"),
    (41728, "FileSource", "ファイルソース"),
    (41729, "SceneType", "シーンタイプ"),
    (41730, "CFAPattern", "CFAパターン"),
    (41985, "CustomRendered", "個別画像処理"),
    (41986, "ExposureMode", "露出モード"),
    (41987, "WhiteBalance", "ホワイトバランス"),
    (41988, "DigitalZoomRatio", "デジタルズーム倍率"),
    (41989, "FocalLengthIn35mmFilm", "35mm換算レンズ焦点距離"),
    (41990, "SceneCaptureType", "撮影シーンタイプ"),
    (41991, "GainControl", "ゲイン制御"),
    (41992, "Contrast", "撮影コントラスト"),
    (41993, "Saturation", "撮影彩度"),
    (41994, "Sharpness", "撮影シャープネス"),
    (41995, "DeviceSettingDescription", "撮影条件記述情報"),
    (41996, "SubjectDistanceRange", "被写体距離レンジ"),
    (42016, "ImageUniqueID", "画像ユニークID"),
    (42032, "CameraOwnerName", "カメラ所有者名"),
    (42033, "BodySerialNumber", "カメラシリアル番号"),
    (42034, "LensSpecification", "レンズの仕様情報"),
    (42035, "LensMake", "レンズのメーカー名"),
    (42036, "LensModel", "レンズのモデル名"),
    (42037, "LensSerialNumber", "レンズシリアル番号"),
    (42080, "CompositeImage", "合成画像"),
    (42081, "SourceImageNumberOfCompositeImage", "合成画像のソース画像数"),
    (42082, "SourceExposureTimesOfCompositeImage", "合成画像のソース画像の露出時間"),
    (42240, "Gamma", "再生ガンマ"),
]

GPS_LABELS = [
    (0, "GPSVersionID", "GPSタグのバージョン"),
    (1, "GPSLatitudeRef", "北緯(N)or南緯(S)"),
    (2, "GPSLatitude", "緯度(度、分、秒)"),
    (3, "GPSLongitudeRef", "東経(E)or西経(W)"),
    (4, "GPSLongitude", "経度(度、分、秒)"),
    (5, "GPSAltitudeRef", "高度の基準"),
    (6, "GPSAltitude", "高度"),
    (7, "GPSTimeStamp", "GPS時間(原子時計の時間)"),
    (8, "GPSSatellites", "測位に使った衛星信号"),
    (9, "GPSStatus", "GPS受信機の状態"),
    (10, "GPSMeasureMode", "GPSの測位方法"),
    (11, "GPSDOP", "測位の信頼性"),
    (12, "GPSSpeedRef", "速度の単位"),
    (13, "GPSSpeed", "速度"),
    (14, "GPSTrackRef", "進行方向の基準"),
    (15, "GPSTrack", "進行方向"),
    (16, "GPSImgDirectionRef", "撮影した画像の方向の基準"),
    (17, "GPSImgDirection", "撮影した画像の方向"),
    (18, "GPSMapDatum", "測位に用いた地図データ"),
    (19, "GPSDestLatitudeRef", "目的地の北緯(N)or南緯(S)"),
    (20, "GPSDestLatitude", "目的地の緯度"),
    (21, "GPSDestLongitudeRef", "目的地の東経(E)or西経(W)"),
    (22, "GPSDestLongitude", "目的地の経度"),
    (23, "GPSDestBearingRef", "目的地の方角の基準"),
    (24, "GPSDestBearing", "目的地の方角"),
    (25, "GPSDestDistanceRef", "目的地への距離の単位"),
    (26, "GPSDestDistance", "目的地への距離"),
    (27, "GPSProcessingMethod", "測位方式の名称"),
    (28, "GPSAreaInformation", "測位地点の名称"),
    (29, "GPSDateStamp", "GPS日付"),
    (30, "GPSDifferential", "GPS補正測位"),
    (31, "GPSHPositioningError", "水平方向測位誤差"),
]

# ---- value names: string id, English, Japanese (the tag and value they name in the comment) ----

VALUES = [
    # 259 Compression
    (63004, "Uncompressed", "非圧縮"),                          # 1
    (63005, "JPEG compression", "JPEG圧縮"),                    # 6
    (64988, "CCITT modified Huffman RLE", "CCITT MH符号化"),    # 2
    (64987, "CCITT Group 3 fax", "CCITT G3ファクシミリ"),       # 3
    (64986, "CCITT Group 4 fax", "CCITT G4ファクシミリ"),       # 4
    (64985, "LZW", "LZW圧縮"),                                  # 5
    (64983, "PackBits", "PackBits圧縮"),                        # 32773
    # 37383 MeteringMode and 37384/37385 values without a name
    (63006, "Other", "その他"),
    (63037, "Other", "その他"),
    # 262 PhotometricInterpretation
    (64979, "WhiteIsZero", "白が0"),                            # 0
    (64978, "BlackIsZero", "黒が0"),                            # 1
    (63007, "RGB", "RGB"),                                      # 2
    (64976, "RGB palette", "RGBパレット"),                      # 3
    (64975, "Transparency mask", "透過マスク"),                 # 4
    (64974, "CMYK", "CMYK"),                                    # 5
    (63008, "YCbCr", "YCbCr"),                                  # 6
    (64972, "CIE L*a*b*", "CIE L*a*b*"),                        # 8
    # 263 Threshholding
    (64969, "No dithering or halftoning", "ディザリング・ハーフトーンなし"),  # 1
    (64968, "Ordered dither or halftone", "組織的ディザ・ハーフトーン"),      # 2
    (64967, "Randomized process", "誤差拡散"),                                # 3
    # 266 FillOrder
    (64059, "Most significant bit first", "上位ビットから"),    # 1
    (64058, "Least significant bit first", "下位ビットから"),   # 2
    # 274 Orientation 1 to 8: where row 0 and column 0 of the stored image are seen
    (63009, "Top-left", "0行目が上、0列目が左"),
    (63010, "Top-right", "0行目が上、0列目が右"),
    (63011, "Bottom-right", "0行目が下、0列目が右"),
    (63012, "Bottom-left", "0行目が下、0列目が左"),
    (63013, "Left-top", "0行目が左、0列目が上"),
    (63014, "Right-top", "0行目が右、0列目が上"),
    (63015, "Right-bottom", "0行目が右、0列目が下"),
    (63016, "Left-bottom", "0行目が左、0列目が下"),
    # 284 PlanarConfiguration
    (63017, "Chunky format", "点順次フォーマット"),             # 1
    (63018, "Planar format", "面順次フォーマット"),             # 2
    # 530 YCbCrSubSampling
    (63019, "YCbCr4:2:2", "YCbCr4:2:2"),                        # [2, 1]
    (63020, "YCbCr4:2:0", "YCbCr4:2:0"),                        # [2, 2]
    # 531 YCbCrPositioning
    (63021, "Centered", "中央"),                                # 1
    (63022, "Co-sited", "一致"),                                # 2
    # 296 ResolutionUnit and 41488 FocalPlaneResolutionUnit
    (63023, "Inch", "インチ"),                                  # 2
    (63024, "Centimeter", "センチメートル"),                    # 3
    # 40961 ColorSpace
    (63025, "sRGB", "sRGB"),                                    # 1
    (63026, "Uncalibrated", "未校正"),                          # 65535
    # 37383 MeteringMode 1 to 6
    (63031, "Average", "平均"),
    (63032, "CenterWeightedAverage", "中央重点"),
    (63033, "Spot", "スポット"),
    (63034, "MultiSpot", "マルチスポット"),
    (63035, "Pattern", "分割測光"),
    (63036, "Partial", "部分測光"),
    # 37384 LightSource
    (63038, "Unknown", "不明"),                                 # 0
    (63039, "Daylight", "昼光"),                                # 1
    (63040, "Fluorescent", "蛍光灯"),                           # 2
    (63041, "Tungsten (incandescent light)", "タングステン(白熱灯)"),  # 3
    (63124, "Flash", "フラッシュ"),                             # 4
    (63125, "Fine weather", "晴天"),                            # 9
    (63126, "Cloudy weather", "曇天"),                          # 10
    (63127, "Shade", "日陰"),                                   # 11
    (63128, "Daylight fluorescent (D 5700-7100K)", "昼光色蛍光灯(D 5700-7100K)"),  # 12
    (63129, "Day white fluorescent (N 4600-5500K)", "昼白色蛍光灯(N 4600-5500K)"),  # 13
    (63130, "Cool white fluorescent (W 3800-4500K)", "白色蛍光灯(W 3800-4500K)"),   # 14
    (63131, "White fluorescent (WW 3250-3800K)", "温白色蛍光灯(WW 3250-3800K)"),    # 15
    (63042, "Standard light A", "標準光A"),                     # 17
    (63043, "Standard light B", "標準光B"),                     # 18
    (63044, "Standard light C", "標準光C"),                     # 19
    (63045, "D55", "D55"),                                      # 20
    (63046, "D65", "D65"),                                      # 21
    (63047, "D75", "D75"),                                      # 22
    (63132, "D50", "D50"),                                      # 23
    (63133, "ISO studio tungsten", "ISOスタジオタングステン"),  # 24
    (63134, "Other light source", "その他の光源"),              # 255
    # 37385 Flash
    (63048, "Flash did not fire", "フラッシュ発光せず"),                                # 0x00
    (63049, "Flash fired", "フラッシュ発光"),                                           # 0x01
    (63050, "Flash fired, strobe return light not detected", "発光、ストロボ反射光検出なし"),  # 0x05
    (63051, "Flash fired, strobe return light detected", "発光、ストロボ反射光検出"),          # 0x07
    (63135, "Flash fired, compulsory flash mode", "強制発光"),                                 # 0x09
    (63136, "Flash fired, compulsory flash mode, return light not detected", "強制発光、反射光検出なし"),  # 0x0D
    (63137, "Flash fired, compulsory flash mode, return light detected", "強制発光、反射光検出"),          # 0x0F
    (63138, "Flash did not fire, compulsory flash mode", "強制非発光"),                                    # 0x10
    (63139, "Flash did not fire, auto mode", "オート、非発光"),                                            # 0x18
    (63140, "Flash fired, auto mode", "オート、発光"),                                                     # 0x19
    (63141, "Flash fired, auto mode, return light not detected", "オート、発光、反射光検出なし"),          # 0x1D
    (63142, "Flash fired, auto mode, return light detected", "オート、発光、反射光検出"),                  # 0x1F
    (63143, "No flash function", "フラッシュ機能なし"),                                                    # 0x20
    (63144, "Flash fired, red-eye reduction mode", "発光、赤目軽減"),                                      # 0x41
    (63145, "Flash fired, red-eye reduction mode, return light not detected", "発光、赤目軽減、反射光検出なし"),  # 0x45
    (63146, "Flash fired, red-eye reduction mode, return light detected", "発光、赤目軽減、反射光検出"),          # 0x47
    (63147, "Flash fired, compulsory flash mode, red-eye reduction mode", "強制発光、赤目軽減"),                  # 0x49
    (63148, "Flash fired, compulsory flash mode, red-eye reduction mode, return light not detected",
     "強制発光、赤目軽減、反射光検出なし"),                                                                  # 0x4D
    (63149, "Flash fired, compulsory flash mode, red-eye reduction mode, return light detected",
     "強制発光、赤目軽減、反射光検出"),                                                                      # 0x4F
    (63150, "Flash fired, auto mode, red-eye reduction mode", "オート、発光、赤目軽減"),                          # 0x59
    (63151, "Flash fired, auto mode, return light not detected, red-eye reduction mode",
     "オート、発光、赤目軽減、反射光検出なし"),                                                              # 0x5D
    (63152, "Flash fired, auto mode, return light detected, red-eye reduction mode",
     "オート、発光、赤目軽減、反射光検出"),                                                                  # 0x5F
    # 34850 ExposureProgram 0 to 8
    (63052, "Not defined", "未定義"),
    (63053, "Manual", "マニュアル"),
    (63054, "Normal program", "ノーマルプログラム"),
    (63055, "Aperture priority", "絞り優先"),
    (63056, "Shutter priority", "シャッター優先"),
    (63057, "Creative program (biased toward depth of field)", "クリエイティブプログラム(被写界深度優先)"),
    (63058, "Action program (biased toward fast shutter speed)", "アクションプログラム(シャッタースピード優先)"),
    (63059, "Portrait mode", "ポートレートモード"),
    (63060, "Landscape mode", "ランドスケープモード"),
    # 41495 SensingMethod 1 to 5, 7, 8
    (63061, "Not defined", "未定義"),
    (63062, "One-chip color area sensor", "単板式カラーセンサー"),
    (63063, "Two-chip color area sensor", "2板式カラーセンサー"),
    (63064, "Three-chip color area sensor", "3板式カラーセンサー"),
    (63065, "Color sequential area sensor", "色順次カラーセンサー"),
    (63066, "Trilinear sensor", "3線リニアセンサー"),
    (63067, "Color sequential linear sensor", "色順次リニアセンサー"),
    # 41728 FileSource 3, 41729 SceneType 1
    (63068, "DSC", "DSC"),
    (63069, "A directly photographed image", "直接撮影された画像"),
    # 37121 ComponentsConfiguration: components 1 Y, 2 Cb, 3 Cr, 4 R, 5 G, 6 B
    (63070, "Y", "Y"),
    (63071, "Cr", "Cr"),
    (63072, "Cb", "Cb"),
    (63073, "R", "R"),
    (63074, "G", "G"),
    (63075, "B", "B"),
    # GPS reference letters
    (63076, "North latitude", "北緯"),                          # N (1, 19)
    (63077, "South latitude", "南緯"),                          # S
    (63078, "East longitude", "東経"),                          # E (3, 21)
    (63079, "West longitude", "西経"),                          # W
    (63080, "Sea level", "海抜"),                               # 5 AltitudeRef 0
    (63081, "Measurement in progress", "測位中"),               # 9 A
    (63082, "Measurement interrupted", "測位中断"),             # 9 V
    (63083, "2-dimensional measurement", "2次元測位"),          # 10 '2'
    (63084, "3-dimensional measurement", "3次元測位"),          # 10 '3'
    (63085, "Kilometers per hour", "キロメートル/時"),          # 12 K
    (63086, "Miles per hour", "マイル/時"),                     # 12 M
    (63087, "Knots", "ノット"),                                 # 12 N
    (63088, "True direction", "真方位"),                        # 14, 16, 23 T
    (63089, "Magnetic direction", "磁気方位"),                  # M
    (63090, "Kilometers", "キロメートル"),                      # 25 K
    (63091, "Miles", "マイル"),                                 # 25 M
    (63092, "Nautical miles", "海里"),                          # 25 N
    # 41985 CustomRendered
    (63095, "Normal process", "通常処理"),
    (63096, "Custom process", "特殊処理"),
    # 41986 ExposureMode
    (63097, "Auto exposure", "露出自動"),
    (63098, "Manual exposure", "露出マニュアル"),
    (63099, "Auto bracket", "オートブラケット"),
    # 41987 WhiteBalance
    (63100, "Auto white balance", "ホワイトバランス自動"),
    (63101, "Manual white balance", "ホワイトバランスマニュアル"),
    # 41990 SceneCaptureType
    (63102, "Standard", "標準"),
    (63103, "Landscape", "風景"),
    (63104, "Portrait", "人物"),
    (63105, "Night scene", "夜景"),
    # 41991 GainControl 0 to 4
    (63106, "None", "なし"),
    (63107, "Low gain up", "低ゲインアップ"),
    (63108, "High gain up", "高ゲインアップ"),
    (63109, "Low gain down", "低ゲインダウン"),
    (63110, "High gain down", "高ゲインダウン"),
    # 41992 Contrast
    (63111, "Normal", "標準"),
    (63112, "Soft", "軟調"),
    (63113, "Hard", "硬調"),
    # 41993 Saturation
    (63114, "Normal", "標準"),
    (63115, "Low saturation", "低彩度"),
    (63116, "High saturation", "高彩度"),
    # 41994 Sharpness
    (63117, "Normal", "標準"),
    (63118, "Soft", "弱"),
    (63119, "Hard", "強"),
    # 41996 SubjectDistanceRange
    (63120, "Unknown", "不明"),
    (63121, "Macro", "マクロ"),
    (63122, "Close view", "近景"),
    (63123, "Distant view", "遠景"),
    # 317 Predictor
    (64009, "No prediction", "予測なし"),
    (64008, "Horizontal differencing", "水平差分"),
    # 332 InkSet
    (63999, "CMYK", "CMYK"),
    (63998, "Not CMYK", "CMYK以外"),
    # 338 ExtraSamples
    (63989, "Unspecified data", "未指定"),
    (63988, "Associated alpha data", "乗算済みアルファ"),
    (63987, "Unassociated alpha data", "非乗算アルファ"),
    # 255 SubfileType
    (64999, "Full-resolution image", "原画像データ"),
    (64998, "Reduced-resolution image", "縮小画像データ"),
    (64997, "Single page of multi-page image", "複数ページ画像の1ページ"),
    # 290 GrayResponseUnit 1 to 5
    (64029, "Tenths of a unit", "1/10単位"),
    (64028, "Hundredths of a unit", "1/100単位"),
    (64027, "Thousandths of a unit", "1/1000単位"),
    (64026, "Ten-thousandths of a unit", "1/10000単位"),
    (64025, "Hundred-thousandths of a unit", "1/100000単位"),
]

# The file dialog's filter pairs, separated by '|'.
FILTER_ID = 65535
FILTER = (
    "Image files (*.jpg;*.jpeg;*.tif;*.tiff)|*.jpg;*.jpeg;*.tif;*.tiff|All files (*.*)|*.*|",
    "画像ファイル (*.jpg;*.jpeg;*.tif;*.tiff)|*.jpg;*.jpeg;*.tif;*.tiff|すべてのファイル (*.*)|*.*|",
)

LANGUAGES = {
    # file, column, LANGUAGE statement, what the file is
    "dax2enc": (0, "LANG_ENGLISH, SUBLANG_ENGLISH_US", "English"),
    "dax2jpn": (1, "LANG_JAPANESE, SUBLANG_DEFAULT", "Japanese"),
}


def rc_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '""') + '"'


def check(rows):
    seen = {}
    for row in rows:
        if row[0] in seen:
            sys.exit(f"make_dax_strings: id {row[0]} twice")
        seen[row[0]] = row
        for text in row[1:]:
            text.encode("cp932")  # every Japanese text must survive the ANSI code page


def write(root, name):
    column, language, title = LANGUAGES[name]
    sections = [("TIFF tags, by tag number", TIFF_LABELS), ("Exif tags", EXIF_LABELS),
                ("GPS tags", GPS_LABELS), ("Names of enumerated values, by the ids the formatter asks for",
                                           sorted(VALUES))]
    lines = [
        f"// String tables of {name}.dll, the EXIF reader's {title} language library.",
        "// Generated by scripts/make_dax_strings.py; edit the tables there and run it again.",
        "#pragma code_page(65001)",
        "#include <windows.h>",
        "",
        f'#define TOLM_FILE_DESCRIPTION  "TOLM EXIF reader {title} texts"',
        f'#define TOLM_INTERNAL_NAME     "{name}"',
        f'#define TOLM_ORIGINAL_FILENAME "{name}.dll"',
        "#define TOLM_FILE_TYPE         VFT_DLL",
        '#include "version_block.rc"',
        "",
        f"LANGUAGE {language}",
    ]
    for heading, rows in sections:
        lines += ["", f"// {heading}", "STRINGTABLE", "BEGIN"]
        for row in rows:
            lines.append(f"  {row[0]}, {rc_string(row[1 + column])}")
        lines.append("END")
    lines += ["", "// Filter of the file-open dialog", "STRINGTABLE", "BEGIN",
              f"  {FILTER_ID}, {rc_string(FILTER[column])}", "END", ""]
    with open(os.path.join(root, "res", name + ".rc"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines))


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    check(TIFF_LABELS + EXIF_LABELS + GPS_LABELS + VALUES + [(FILTER_ID,) + FILTER])
    for name in LANGUAGES:
        write(root, name)


if __name__ == "__main__":
    main()
