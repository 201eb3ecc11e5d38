// Digests of the generated tests' results as the GNU C library gives them (see
// tests/support/result_digest.h), recorded from a run on Linux. The Linux tests check each result
// against that library and then these records; a Windows build has only these to go by.
#pragma once

#include <cstdint>

// ScanfConversionsTest: one digest per 10000 generated lines.
inline constexpr uint64_t kFloatResults[] = {
    0x3b70e0ea2376ac13, 0xebdc29a6f6fddf54, 0xdcdc6479f715909e, 0x31f60490ef3565c6,
    0x52e8fef04c4081dd, 0xc9644b385d5e963c, 0x5b464274c68df831, 0x90456a7455a8704a,
    0xa2a5fb9271e2cbb5, 0xfaadda58f966e8d5, 0x74cd8f36b1015a29, 0x8447ada59e123002,
    0x7d18cb72ae4986e5, 0x39729d55df45b701, 0xf3b5b12f4eb94342, 0x530acf4cffec2b49,
    0xc9790906f645b1c9, 0x889c31ead5e75363, 0x98b6f7ba0bb23ffe, 0x4b5ea8af758d3a31,
    0xfc272523f0c28cfd, 0x57bd99b62c11f896, 0xacd43b58257b3c1c, 0x9ae5201fabc76e3f,
    0xccfaf540730f0467, 0x005be52ec9d81f43, 0x4f70d3b5ddd21b4f, 0xd38cccae66338f71,
    0x7492903190b29c3f, 0x32978bbddcc9549d,
};
inline constexpr uint64_t kIntegerResults[] = {
    0xaec7188f0372e975, 0x37cd83ec9c60caca, 0xbd34eec0a4427530, 0xcd89c65d468a9d07,
    0x3c3ef4dc897d99ce, 0x06e3f24b8b852e4e, 0x96ee44ff388c0ae4, 0xcab4dd0e87dbd253,
    0x52e2da7b4c8e8a3b, 0xd9b831f7b8649259, 0x6bc1bacda8009fa9, 0x0536a93034d89236,
    0xe1a9c5c6d3c43316, 0x5d6e4de8a4da5741, 0x12832a4ef1e75615, 0x513bd9a332509dc5,
    0x86b17f356adfdd40, 0xcb94b4ca4288901f, 0x203edce1c10e60a1, 0x35a5f84af0b4213c,
};
inline constexpr uint64_t kWordResults[] = {
    0x7ec1467f9dc42db8, 0xd559243a048a6858, 0x20d6d62c4985acea, 0xdc5ca5b53b721b67,
    0x5f03977bd98d3ba2,
};

// GeneratedFilesTest: one digest per generated OBJ file, for the vector and the plain line scan.
inline constexpr uint64_t kVectorScanModels[] = {
    0xbd452e5406708dda, 0xd6062c9b5e61cb22, 0x4f90d7f523acdd44, 0x5aadc3b9fc2b6fc4,
    0x46e6b1ee22a0589c, 0x6004d95f4ed1067b, 0x2e8dbc550caf2025, 0x44ef49c1e141cd8c,
    0x1f9a3585577eacab, 0xe2b018e8b3f011b2, 0x7f1fdf1baeab7178, 0x79861684f4852d5d,
    0x9c7845793ccdbb17, 0xc3ec1d94c48a5e93, 0xfd71a3c526e1a867, 0x50aa231e22d3a47f,
    0x8ffccd10418f2e05, 0x34d56ee4e71b4019, 0x844a91ff9f4ca76c, 0x7a25441cec8c257e,
    0xeceb8bd9269eb1f6, 0xcca51f2d9a47415a, 0x6b7a8d1153b5f11e, 0xc7cf414193720516,
    0x3733254dc737f26a, 0x61a7f1bdb905dd73, 0xb616af4539f50667, 0xdf7bb4eee4e0e19b,
    0x63e079bb993c287d, 0x86276f3b4b232288, 0x5a973d103ad645db, 0x810bba9ae6d68e27,
    0xb9a5c29695397929, 0x2073cbd279405324, 0x43a99fbb8502079b, 0x40ccf19489475b95,
    0x9a375a339f25f712, 0xfbaabbe93ad333dc, 0x1010c122ff9d66c3, 0xc4719b4d08e97fce,
    0xfc850cd897f43e4a, 0x67ae33d023168ad7, 0x8035c1fa0acb7cf6, 0x4dd476016cca940b,
    0x88b01c37b826fc0a, 0xffb3a169ffa29889, 0xd271c8bce6e639c9, 0x01d2f9bc3dd6587a,
    0x9c845c0a774c7ccc, 0xc6b9ba708dbefab5, 0xf8c17bf6a761f91c, 0xdbdf08177bc425e6,
    0x613171c3a73cdce1, 0xbbab41a126791d2b, 0xbc5c703a9d9be2a7, 0x96f6814f8c006107,
    0x6715167f114857f9, 0x17f358a2cda759e7, 0x7503d8484f16f9da, 0xb601f5851cdfafe1,
};
inline constexpr uint64_t kPlainScanModels[] = {
    0x837b275f4aa1ba9e, 0xe37944e40c1de789, 0x68b544b47726f38a, 0x37954d6521651b45,
    0xea8a00577df80bc2, 0x4dbcd74293c4c950, 0x380438ada1a3d66f, 0x99a56fa133213a00,
    0xede5ec83b61be8c1, 0x9247142af1f3c835, 0xc502686cf00a47e0, 0xb597f7fb146d631e,
    0xaf4606a59304faff, 0xa110c03d3f82a600, 0x9ef45ba833110539, 0xfe2d22ec31ab8178,
    0x3b844f678f35a59a, 0xfcf30b8ed88c4475, 0x2f555c2c16145a92, 0x219562cee4aa1e41,
    0xc0c1f7d2263d1202, 0x903db43da265f4dd, 0x90ecabaf9d2a3ec7, 0xfb2a7f08c84c670e,
    0xbf414b45ce75008e, 0xa758a94b968dc0b1, 0xa66f0d045b857172, 0x2b2ea44605e8fb42,
    0x795bff4823440dba, 0x7a126c86a954693d, 0x9f985ec85a8fe812, 0xc96a729ca160ae74,
    0xdd54e7b1af1d704b, 0xbb62d245f727aec4, 0x5fe2ba21bbda9c4e, 0x3a6f6c684996c2d2,
    0x3d118d59c613cf3d, 0xbe1f218e59d75911, 0x299ead43651bd620, 0xcbb71c2cc86446a8,
    0xd2a7214526c65552, 0x2cb935b2ffbbbb52, 0x1680693e0500b564, 0x7b6f7b893b58da8f,
    0xd28da86de219ad7c, 0xfb84cdbc8f87f4de, 0x7b3982848cb987d7, 0x1580544c66f648ca,
    0x1e4eb2f27a3444ae, 0x034a79d41a497710, 0x2040cce73672aada, 0x88d9070fcf44ec35,
    0xca6a0323a4fcf313, 0x954f75b83bc6853e, 0x22a710185dd166d4, 0xce46d3174c8f2dad,
    0x349ed2da5d4a078c, 0xfa6d14ace209783a, 0xaa6663d9c4999836, 0x907ec5c752cb2434,
};
